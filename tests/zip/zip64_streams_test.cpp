// ZIP64 at the sizes it exists for: a stored entry over 4 GiB and an archive of more than
// 65,535 entries. Neither archive is a file on the disk: the component opens a name that a
// file system of the test's own answers with bytes made on demand, and tests the entries
// without writing them. On win32, where long is 32 bits, any size kept in 32 bits would cut
// the entry short, fail its CRC or stop the progress early.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "support/archive_builder.h"
#include "support/forwarding_file_system.h"
#include "zip/zip_extractor.h"

namespace {

using test_support::ArchiveBuilder;

// An archive as a head, a run of zero bytes and a tail.
struct GeneratedArchive {
    std::string head;
    uint64_t zeros = 0;
    std::string tail;
    uint64_t Size() const { return head.size() + zeros + tail.size(); }
    void ReadAt(uint64_t offset, uint8_t* out, uint64_t count) const {
        const uint64_t zeros_end = head.size() + zeros;
        while (count > 0) {
            uint64_t piece = 0;
            if (offset < head.size()) {
                piece = std::min<uint64_t>(count, head.size() - offset);
                std::memcpy(out, head.data() + offset, static_cast<size_t>(piece));
            } else if (offset < zeros_end) {
                piece = std::min<uint64_t>(count, zeros_end - offset);
                std::memset(out, 0, static_cast<size_t>(piece));
            } else {
                piece = std::min<uint64_t>(count, tail.size() - (offset - zeros_end));
                std::memcpy(out, tail.data() + (offset - zeros_end), static_cast<size_t>(piece));
            }
            offset += piece;
            out += piece;
            count -= piece;
        }
    }
};

class GeneratedFile : public platform::File {
public:
    explicit GeneratedFile(const GeneratedArchive& archive) : archive_(archive) {}
    int64_t Read(void* buffer, int64_t count) override {
        const uint64_t size = archive_.Size();
        const uint64_t n = position_ >= size ? 0 : std::min<uint64_t>(static_cast<uint64_t>(count), size - position_);
        archive_.ReadAt(position_, static_cast<uint8_t*>(buffer), n);
        position_ += n;
        return static_cast<int64_t>(n);
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, platform::SeekOrigin origin) override {
        const int64_t base = origin == platform::SeekOrigin::Begin     ? 0
                             : origin == platform::SeekOrigin::Current ? static_cast<int64_t>(position_)
                                                                       : static_cast<int64_t>(archive_.Size());
        position_ = static_cast<uint64_t>(base + offset);
        return static_cast<int64_t>(position_);
    }
    int64_t Size() override { return static_cast<int64_t>(archive_.Size()); }
    bool SetSize(int64_t) override { return false; }
    bool GetLastWriteTime(platform::FileTime& time) override {
        time.ticks = 1;
        return true;
    }
    bool SetLastWriteTime(const platform::FileTime&) override { return false; }
    bool Flush() override { return true; }

private:
    const GeneratedArchive& archive_;
    uint64_t position_ = 0;
};

// The machine's file system, except that one name opens the generated archive.
class GeneratedFileSystem : public test_support::ForwardingFileSystem {
public:
    GeneratedFileSystem(const std::string& name, const GeneratedArchive& archive)
        : ForwardingFileSystem(platform::Files()), name_(name), archive_(archive) {}
    std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::OpenMode mode) override {
        if (path == name_) return std::make_unique<GeneratedFile>(archive_);
        return ForwardingFileSystem::OpenFile(path, mode);
    }

private:
    std::string name_;
    const GeneratedArchive& archive_;
};

// The CRC-32 of n zero bytes, by squaring the register's operator for a zero byte.
using Operator = std::array<uint32_t, 32>;
uint32_t Apply(const Operator& op, uint32_t value) {
    uint32_t sum = 0;
    for (int bit = 0; value != 0; ++bit, value >>= 1) {
        if ((value & 1u) != 0) sum ^= op[bit];
    }
    return sum;
}
Operator Square(const Operator& op) {
    Operator result{};
    for (int bit = 0; bit < 32; ++bit) result[bit] = Apply(op, op[bit]);
    return result;
}
uint32_t CrcOfZeros(uint64_t n) {
    Operator op{};
    op[0] = 0xEDB88320u;  // one zero bit
    for (int bit = 1; bit < 32; ++bit) op[bit] = 1u << (bit - 1);
    op = Square(Square(Square(op)));  // one zero byte
    uint32_t crc_register = 0xFFFFFFFFu;
    for (; n != 0; n >>= 1, op = Square(op)) {
        if ((n & 1u) != 0) crc_register = Apply(op, crc_register);
    }
    return ~crc_register;
}

// Tests every entry of the generated archive; returns the count UnZip gives.
class GeneratedArchiveRun {
public:
    explicit GeneratedArchiveRun(const GeneratedArchive& archive)
        : files_(kName, archive), scoped_([this] {
              platform::Services services;
              services.files = &files_;
              return services;
          }()) {
        extractor.SetZipName(kName);
        extractor.TestOnly = true;
        extractor.DoAll = true;
        extractor.DoProcessMessages = false;
        extractor.OnBadCRC = [this](zip::TZipExtractor&, uint32_t, uint32_t, int) { ++failures; };
        extractor.OnSkippingFile = [this](zip::TZipExtractor&, zip::TSkipReason, const std::string&, int) { ++failures; };
    }
    static constexpr char kName[] = "C:\\generated.zip";
    GeneratedFileSystem files_;
    platform::ScopedServices scoped_;
    zip::TZipExtractor extractor;
    int failures = 0;
};

TEST(Zip64Streams, TheCrcOfZerosIsTheReferenceCrc) {
    for (const size_t n : {0, 1, 7, 1000}) EXPECT_EQ(CrcOfZeros(n), ~test_support::ReferenceCrc32(std::string(n, '\0')));
}

// A stored entry of 4 GiB and a bit more, behind ZIP64 records, streamed at memory speed.
TEST(Zip64Streams, AStoredEntryOverFourGibibytesIsReadWhole) {
    const uint64_t size = (uint64_t{1} << 32) + 12345;
    const std::string name = "big.bin";
    GeneratedArchive archive;
    std::string record;
    ArchiveBuilder::Le64(record, size);
    ArchiveBuilder::Le64(record, size);
    const std::string local_extra = ArchiveBuilder::ExtraRecord(0x0001, record);
    ArchiveBuilder::Le32(archive.head, 0x04034B50);
    ArchiveBuilder::Le16(archive.head, 45);
    ArchiveBuilder::Le16(archive.head, 0);  // flags
    ArchiveBuilder::Le16(archive.head, 0);  // stored
    ArchiveBuilder::Le32(archive.head, 0x5A8B6C00);
    ArchiveBuilder::Le32(archive.head, CrcOfZeros(size));
    ArchiveBuilder::Le32(archive.head, 0xFFFFFFFF);
    ArchiveBuilder::Le32(archive.head, 0xFFFFFFFF);
    ArchiveBuilder::Le16(archive.head, static_cast<uint16_t>(name.size()));
    ArchiveBuilder::Le16(archive.head, static_cast<uint16_t>(local_extra.size()));
    archive.head += name + local_extra;
    archive.zeros = size;

    const uint64_t central_offset = archive.head.size() + size;
    ArchiveBuilder::Le64(record, 0);  // the local header's offset, after both sizes
    const std::string central_extra = ArchiveBuilder::ExtraRecord(0x0001, record);
    std::string& tail = archive.tail;
    ArchiveBuilder::Le32(tail, 0x02014B50);
    ArchiveBuilder::Le16(tail, 45);
    ArchiveBuilder::Le16(tail, 45);
    ArchiveBuilder::Le16(tail, 0);
    ArchiveBuilder::Le16(tail, 0);
    ArchiveBuilder::Le32(tail, 0x5A8B6C00);
    ArchiveBuilder::Le32(tail, CrcOfZeros(size));
    ArchiveBuilder::Le32(tail, 0xFFFFFFFF);
    ArchiveBuilder::Le32(tail, 0xFFFFFFFF);
    ArchiveBuilder::Le16(tail, static_cast<uint16_t>(name.size()));
    ArchiveBuilder::Le16(tail, static_cast<uint16_t>(central_extra.size()));
    ArchiveBuilder::Le16(tail, 0);
    ArchiveBuilder::Le16(tail, 0);
    ArchiveBuilder::Le16(tail, 0);
    ArchiveBuilder::Le32(tail, 0x20);
    ArchiveBuilder::Le32(tail, 0);
    tail += name + central_extra;
    const uint64_t central_size = tail.size();
    const uint64_t zip64_end_offset = central_offset + central_size;
    ArchiveBuilder::Le32(tail, 0x06064B50);
    ArchiveBuilder::Le64(tail, 44);
    ArchiveBuilder::Le16(tail, 45);
    ArchiveBuilder::Le16(tail, 45);
    ArchiveBuilder::Le32(tail, 0);
    ArchiveBuilder::Le32(tail, 0);
    ArchiveBuilder::Le64(tail, 1);
    ArchiveBuilder::Le64(tail, 1);
    ArchiveBuilder::Le64(tail, central_size);
    ArchiveBuilder::Le64(tail, central_offset);
    ArchiveBuilder::Le32(tail, 0x07064B50);
    ArchiveBuilder::Le32(tail, 0);
    ArchiveBuilder::Le64(tail, zip64_end_offset);
    ArchiveBuilder::Le32(tail, 1);
    ArchiveBuilder::Le32(tail, 0x06054B50);
    ArchiveBuilder::Le16(tail, 0);
    ArchiveBuilder::Le16(tail, 0);
    ArchiveBuilder::Le16(tail, 1);
    ArchiveBuilder::Le16(tail, 1);
    ArchiveBuilder::Le32(tail, 0xFFFFFFFF);
    ArchiveBuilder::Le32(tail, 0xFFFFFFFF);
    ArchiveBuilder::Le16(tail, 0);

    GeneratedArchiveRun run(archive);
    int64_t announced = 0;
    std::vector<int> percents;
    run.extractor.OnStartUnZipInfo = [&announced](zip::TZipExtractor&, int, int64_t bytes, bool&) { announced = bytes; };
    run.extractor.OnTotalPercentDone = [&percents](zip::TZipExtractor&, int percent) {
        if (percents.empty() || percents.back() != percent) percents.push_back(percent);
    };
    EXPECT_EQ(run.extractor.UnZip(), 1);
    EXPECT_EQ(run.failures, 0);
    EXPECT_EQ(run.extractor.Entry(0).UncompressedSize, size);
    EXPECT_EQ(announced, static_cast<int64_t>(size));
    // Every percent from 0 to 100 in turn: none skipped, none past the end.
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(percents.size(), 101u);
}

// 70,000 entries: more than the end record's 16-bit count and than an ordinary list holds.
TEST(Zip64Streams, AnArchiveOfMoreThan65535EntriesIsListedWhole) {
    constexpr int kEntries = 70000;
    ArchiveBuilder builder;
    builder.entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "d%d/f%05d", i / 1000, i);
        builder.Add(name, i % 7 == 0 ? std::string(1, static_cast<char>(i)) : std::string());
    }
    builder.zip64_end_record = true;
    GeneratedArchive archive;
    archive.head = builder.Build();
    GeneratedArchiveRun run(archive);
    EXPECT_EQ(run.extractor.UnZip(), kEntries);
    EXPECT_EQ(run.failures, 0);
    ASSERT_EQ(run.extractor.Count(), kEntries);
    EXPECT_EQ(run.extractor.EntryFullName(kEntries - 1), "d69\\f69999");
}

}  // namespace
