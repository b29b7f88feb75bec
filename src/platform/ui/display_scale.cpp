#include "platform/ui/display_scale.h"

#include "platform/ui/font.h"

namespace platform::ui {

namespace {

// Division rounding towards minus infinity, so that windows left of or above the primary
// screen (negative coordinates) round as those to its right do.
long long FloorDivide(long long dividend, long long divisor) {
    const long long quotient = dividend / divisor;
    return (dividend % divisor != 0 && (dividend < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

}  // namespace

DisplayScale::DisplayScale(int dpi) : dpi_(dpi > 0 ? dpi : kScreenDpi) {}

int DisplayScale::ToDevice(int coordinate) const {
    return static_cast<int>(FloorDivide(2LL * coordinate * dpi_ + kScreenDpi, 2LL * kScreenDpi));
}

int DisplayScale::ToLayout(int pixels) const {
    return static_cast<int>(FloorDivide(2LL * pixels * kScreenDpi + dpi_, 2LL * dpi_));
}

int DisplayScale::CoveringLength(int pixels) const {
    return static_cast<int>(-FloorDivide(-1LL * pixels * kScreenDpi, dpi_));
}

int DisplayScale::InnerLength(int length) const {
    return static_cast<int>(FloorDivide(1LL * length * dpi_, kScreenDpi));
}

int DisplayScale::FontHeight(int height) const {
    const int pixels = ToDevice(height < 0 ? -height : height);
    return height < 0 ? -pixels : pixels;
}

}  // namespace platform::ui
