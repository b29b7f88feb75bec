#pragma once
// Colours and fonts of the toolkit's windows. A font is a plain value: a control either has
// one of its own or uses its parent's, so a form's font reaches every control that keeps
// the default.

#include <cstdint>
#include <string>

namespace platform::ui {

struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

constexpr Color Rgb(uint8_t red, uint8_t green, uint8_t blue) { return Color{red, green, blue}; }

namespace colors {
constexpr Color kBlack = Rgb(0, 0, 0);
constexpr Color kGray = Rgb(128, 128, 128);
constexpr Color kWhite = Rgb(255, 255, 255);
}  // namespace colors

// Character sets as CreateFontA knows them.
namespace charsets {
constexpr int kDefault = 1;
constexpr int kCyrillic = 204;
}  // namespace charsets

// The screen resolution the pixel heights below are reckoned in.
constexpr int kScreenDpi = 96;

struct Font {
    std::string name = "Arial";
    // Height in pixels as CreateFontA takes it: negative for the character height (without
    // the internal leading), positive for the whole cell. -11 is 8 points at 96 DPI.
    int height = -11;
    bool bold = false;
    bool italic = false;
    Color color = colors::kBlack;
    int charset = charsets::kDefault;

    // The size in points that the height stands for at kScreenDpi.
    int Size() const;
    // Sets the height from a size in points (a character height, so negative).
    void SetSize(int points);

    friend bool operator==(const Font&, const Font&) = default;
};

// The toolkit's default font: Arial 8 points.
Font DefaultFont();

}  // namespace platform::ui
