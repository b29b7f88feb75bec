// Layout pixels to device pixels: nothing moves at 96 DPI, and at other scales a window grows
// by DPI / 96 within a pixel, measured texts keep their room and fitted texts stay inside.

#include <gtest/gtest.h>

#include <cmath>

#include "platform/ui/display_scale.h"

namespace ui = platform::ui;

namespace {

TEST(DisplayScale, LeavesEveryValueAsItIsAt96Dpi) {
    const ui::DisplayScale scale(96);
    for (int value = -300; value <= 1100; ++value) {
        SCOPED_TRACE(value);
        ASSERT_EQ(scale.ToDevice(value), value);
        ASSERT_EQ(scale.ToLayout(value), value);
        ASSERT_EQ(scale.CoveringLength(value), value);
        ASSERT_EQ(scale.InnerLength(value), value);
        ASSERT_EQ(scale.FontHeight(value), value);
    }
}

TEST(DisplayScale, GrowsLengthsWithinAPixelAndKeepsMeasuredTextsInside) {
    for (int dpi : {120, 144, 168, 192}) {
        SCOPED_TRACE(dpi);
        const ui::DisplayScale scale(dpi);
        const double factor = dpi / 96.0;
        for (int left = -40; left <= 700; left += 7) {
            ASSERT_EQ(scale.ToLayout(scale.ToDevice(left)), left) << left;
            for (int length = 0; length <= 700; length += 13) {
                const int device = scale.ToDevice(left + length) - scale.ToDevice(left);
                ASSERT_LT(std::abs(device - length * factor), 1.0) << left << " " << length;
                // A text measured at the scaled font fits the length made to cover it, and a
                // text fitted into a length fits its device width.
                ASSERT_GE(scale.ToDevice(left + scale.CoveringLength(length)) - scale.ToDevice(left), length);
                ASSERT_LE(scale.InnerLength(length), device);
            }
        }
        EXPECT_EQ(scale.FontHeight(-11), static_cast<int>(-std::lround(11 * factor)));
    }
}

}  // namespace
