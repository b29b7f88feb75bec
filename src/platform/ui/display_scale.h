#pragma once
// The toolkit's geometry is reckoned in pixels of a 96 DPI screen, the screen the windows were
// designed on; a screen of another resolution shows every window larger by its DPI / 96. The
// native backend turns layout pixels into device pixels and back with this one scale, so that
// every window, font and margin grows alike and nothing changes at 96 DPI.
//
// Edges are scaled, not lengths: a control's device width is the distance between its two
// scaled edges, so controls whose edges meet at 96 DPI (a panel and the control beside it, a
// control and its parent's edge) still meet at any scale.

namespace platform::ui {

class DisplayScale {
public:
    // The scale of a screen of dpi dots per inch (below 1 taken as 96).
    explicit DisplayScale(int dpi);

    int Dpi() const { return dpi_; }

    // A layout coordinate (an edge) in device pixels, rounded to the nearest (halves up).
    int ToDevice(int coordinate) const;
    // A device coordinate in layout pixels, rounded to the nearest; ToLayout(ToDevice(x)) is x
    // at 96 DPI and above.
    int ToLayout(int pixels) const;
    // The layout length that covers a length measured in device pixels wherever it starts:
    // ToDevice(left + CoveringLength(p)) - ToDevice(left) >= p (rounded up).
    int CoveringLength(int pixels) const;
    // The device length that fits inside a layout length wherever it starts:
    // ToDevice(left + length) - ToDevice(left) >= InnerLength(length) (rounded down).
    int InnerLength(int length) const;
    // A font height as CreateFontA takes it (negative: character height), scaled with its sign.
    int FontHeight(int height) const;

private:
    int dpi_;
};

}  // namespace platform::ui
