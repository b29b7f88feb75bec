#pragma once
// What the decoder benchmarks share: an archive held in memory as the decoders' input stream,
// the deflated entries of an archive, our entry path set up as UnZipEntry sets it, and the
// measurement in interleaved rounds.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "unzip/unzip_context.h"
#include "zip/stream.h"
#include "zip/zip_header_info.h"

namespace bench {

using Bytes = std::vector<uint8_t>;

// Reads from bytes held elsewhere.
class ReadStream : public zip::TStream {
public:
    explicit ReadStream(const Bytes& bytes) : bytes_(bytes) {}
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(bytes_.size()) - position_);
        std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
        position_ += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override {
        position_ = origin == 0 ? offset : origin == 1 ? position_ + offset : static_cast<int64_t>(bytes_.size()) + offset;
        return position_;
    }
    void SetSize(int64_t) override {}

private:
    const Bytes& bytes_;
    int64_t position_ = 0;
};

// Writes into a buffer given to it, which must hold every byte written (an entry's size), and
// offers it to the decoder, which may then decode straight into it. Without a buffer it
// counts what is written and throws it away.
class BufferOutput : public zip::TStream {
public:
    explicit BufferOutput(uint8_t* buffer = nullptr) : buffer_(buffer) {}
    int64_t Read(void*, int64_t) override { return 0; }
    uint8_t* DirectArea(int64_t) override { return buffer_ != nullptr ? buffer_ + position_ : nullptr; }
    int64_t Write(const void* data, int64_t count) override {
        if (buffer_ != nullptr && data != buffer_ + position_)
            std::memcpy(buffer_ + position_, data, static_cast<size_t>(count));
        position_ += count;
        return count;
    }
    int64_t Seek(int64_t offset, int origin) override {
        position_ = origin == 0 ? offset : position_ + offset;
        return position_;
    }
    void SetSize(int64_t) override {}

private:
    uint8_t* buffer_;
    int64_t position_ = 0;
};

inline uint32_t Le(const Bytes& bytes, size_t at, int n) {
    uint32_t value = 0;
    for (int index = n - 1; index >= 0; --index) value = (value << 8) | bytes.at(at + static_cast<size_t>(index));
    return value;
}

struct DeflatedEntry {
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    size_t data = 0;  // offset of the entry's data (its encryption header first) in the archive
    uint32_t compressed = 0;
    uint32_t uncompressed = 0;
};

// The entries of a single-volume archive with the given method, from its central directory.
inline std::vector<DeflatedEntry> EntriesOfMethod(const Bytes& archive, uint16_t method) {
    size_t end = archive.size() >= 22 ? archive.size() - 22 : 0;
    while (end > 0 && Le(archive, end, 4) != zip::kEndCentralSignature) --end;
    std::vector<DeflatedEntry> entries;
    size_t header = Le(archive, end + 16, 4);
    for (uint32_t count = Le(archive, end + 10, 2); count > 0; --count) {
        if (Le(archive, header, 4) != zip::kCentralHeaderSignature) break;
        const uint32_t local = Le(archive, header + 42, 4);
        DeflatedEntry entry{static_cast<uint16_t>(Le(archive, header + 8, 2)), static_cast<uint16_t>(Le(archive, header + 10, 2)),
                            Le(archive, header + 16, 4), local + 30 + Le(archive, local + 26, 2) + Le(archive, local + 28, 2),
                            Le(archive, header + 20, 4), Le(archive, header + 24, 4)};
        if (entry.method == method) entries.push_back(entry);
        header += 46 + Le(archive, header + 28, 2) + Le(archive, header + 30, 2) + Le(archive, header + 32, 2);
    }
    return entries;
}

inline Bytes ReadWholeFile(const std::string& path) {
    Bytes bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        uint8_t block[1 << 16];
        for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) bytes.insert(bytes.end(), block, block + got);
        std::fclose(file);
    }
    return bytes;
}

// Sets the context up for the entry in CurrentEntry, as UnZipEntry does, runs the decoder of
// its method and returns the CRC of what came out.
inline uint32_t DecodeEntry(unzip::TUnZipContext& context) {
    context.BytesLeft = context.CurrentEntry.CompressedSize;
    context.EntrySize = context.CurrentEntry.UncompressedSize;
    context.InCount = 0;
    context.OutCount = 0;
    context.write_position = context.OutBuf;
    context.EntryWritten = 0;
    context.RunningCrc = 0xFFFFFFFF;
    if (context.CurrentEntry.CompressionMethod == 9) unzip::Inflate64(context);
    else unzip::Inflate(context);
    return ~context.RunningCrc;
}

inline double ProcessorSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
inline double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The medians of every piece of work's rates, in MB/s.
struct Rates {
    std::vector<double> processor;  // over processor time
    std::vector<double> wall;       // over wall-clock time
};

// Runs every piece of work once per round, in turn, and returns each one's median rates (the
// machine may be shared, and interleaving spreads its load over every piece alike).
inline Rates MeasureInterleaved(const std::vector<std::function<void()>>& works, const std::vector<size_t>& bytes,
                                int rounds) {
    std::vector<std::vector<double>> processor(works.size()), wall(works.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t index = 0; index < works.size(); ++index) {
            const double processor_start = ProcessorSeconds();
            const double wall_start = WallSeconds();
            works[index]();
            const double processor_seconds = ProcessorSeconds() - processor_start;
            const double wall_seconds = WallSeconds() - wall_start;
            const double megabytes = static_cast<double>(bytes[index]) / 1e6;
            processor[index].push_back(processor_seconds > 0 ? megabytes / processor_seconds : 0);
            wall[index].push_back(wall_seconds > 0 ? megabytes / wall_seconds : 0);
        }
    }
    const auto median = [](std::vector<double>& list) {
        std::sort(list.begin(), list.end());
        return list[list.size() / 2];
    };
    Rates rates;
    for (size_t index = 0; index < works.size(); ++index) {
        rates.processor.push_back(median(processor[index]));
        rates.wall.push_back(median(wall[index]));
    }
    return rates;
}

}  // namespace bench
