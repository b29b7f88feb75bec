// The segments of a split archive read as one: each place the archive names as (disk, offset)
// becomes a position in the whole, or is damage naming its segment.

#include "zip/split_archive.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "zip/zip_errors.h"

namespace {

// Each row: a place, and its position in the whole or the damage it shows.
TEST(SplitArchive, PlacesBecomePositionsInTheWhole) {
    test_support::TempFolder folder;
    folder.Write("a.z01", "0123");
    folder.Write("a.z02", "4567");
    folder.Write("a.zip", "89");
    const zip::SplitSegments segments(folder.Path("a.zip"), 3);
    const struct {
        uint32_t disk;
        uint64_t offset;
        int64_t position;
        std::string damage;
    } places[] = {
        {0, 0, 0, ""},
        {1, 2, 6, ""},
        {1, 4, 8, ""},  // just past the segment: where the next one begins
        {2, 2, 10, ""},
        {1, 5, 0, "Segment \"" + folder.Path("a.z02") + "\" of the split archive is shorter than the archive needs"},
        {3, 0, 0, "Segment \"" + folder.Path("a.z04") + "\" of the split archive is missing"},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(testing::Message() << place.disk << ", " << place.offset);
        std::string damage;
        try {
            EXPECT_EQ(segments.Position(place.disk, place.offset), place.position);
        } catch (const zip::EBadZipFile& error) {
            damage = error.what();
        }
        EXPECT_EQ(damage, place.damage);
    }
}

}  // namespace
