// The segments of a split archive read as one: places named as (disk, offset) and reads that
// run on from one segment into the next.

#include "zip/split_archive.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "zip/zip_errors.h"

namespace {

using zip::SplitSegments;

class SplitArchive : public ::testing::Test {
protected:
    void SetUp() override {
        folder.Write("a.z01", "0123");
        folder.Write("a.z02", "4567");
        folder.Write("a.zip", "89");
    }
    // The text of the EBadZipFile that making or asking segments raises; empty when none.
    template <typename Action>
    std::string Damage(Action action) {
        try {
            action();
        } catch (const zip::EBadZipFile& error) {
            return error.what();
        }
        return {};
    }

    test_support::TempFolder folder;
};

TEST_F(SplitArchive, ReadsAcrossSegmentEnds) {
    zip::SplitArchiveStream stream(std::make_shared<const SplitSegments>(folder.Path("a.zip"), 3));
    EXPECT_EQ(stream.GetSize(), 10);
    char bytes[16] = {};
    stream.Seek(3, 0);
    ASSERT_EQ(stream.Read(bytes, 5), 5);
    EXPECT_EQ(std::string(bytes, 5), "34567");
    EXPECT_EQ(stream.Read(bytes, 16), 2);  // the rest of the last segment
    EXPECT_EQ(std::string(bytes, 2), "89");
}

// Each row: a place, and the position it has in the whole or the damage it shows.
TEST_F(SplitArchive, PlacesBecomePositionsInTheWhole) {
    const SplitSegments segments(folder.Path("a.zip"), 3);
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
        EXPECT_EQ(Damage([&] { EXPECT_EQ(segments.Position(place.disk, place.offset), place.position); }),
                  place.damage);
    }
}

TEST_F(SplitArchive, AMissingOrShortSegmentIsNamed) {
    folder.Write("a.z01", "012");
    EXPECT_EQ(Damage([&] { SplitSegments(folder.Path("a.zip"), 3); }),
              "Segment \"" + folder.Path("a.z01") + "\" of the split archive is shorter than the archive needs");
    EXPECT_EQ(Damage([&] { SplitSegments(folder.Path("a.zip"), 4); }),
              "Segment \"" + folder.Path("a.z03") + "\" of the split archive is missing");
}

}  // namespace
