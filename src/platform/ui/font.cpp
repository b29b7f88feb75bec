#include "platform/ui/font.h"

#include <cstdlib>

namespace platform::ui {

int Font::Size() const {
    const int pixels = std::abs(height);
    return (pixels * 72 + kScreenDpi / 2) / kScreenDpi;
}

void Font::SetSize(int points) {
    // Rounded as MulDiv rounds, so 8 points are 11 pixels at 96 DPI.
    height = -((points * kScreenDpi + 36) / 72);
}

Font DefaultFont() { return Font{}; }

}  // namespace platform::ui
