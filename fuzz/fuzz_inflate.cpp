// Feeds arbitrary bytes to Inflate as an entry's compressed data. The first two bytes pick
// the size the entry claims (so both the size guard and normal endings are reached); the
// output goes to memory, bounded by that size. Any read or write out of bounds, any
// unbounded allocation or any endless loop is a finding.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "unzip/unzip_context.h"
#include "zip/stream.h"

namespace {

class InputStream : public zip::TStream {
public:
    InputStream(const uint8_t* data, size_t size) : data_(data), size_(static_cast<int64_t>(size)) {}
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t n = std::min(count, size_ - position_);
        if (n <= 0) return 0;
        std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
        position_ += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override {
        position_ = origin == 0 ? offset : origin == 1 ? position_ + offset : size_ + offset;
        return position_;
    }
    void SetSize(int64_t) override {}

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t position_ = 0;
};

class OutputStream : public zip::TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void* buffer, int64_t count) override {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        written_.insert(written_.end(), bytes, bytes + count);
        return count;
    }
    int64_t Seek(int64_t offset, int origin) override {
        return origin == 2 ? static_cast<int64_t>(written_.size()) + offset : static_cast<int64_t>(written_.size());
    }
    void SetSize(int64_t) override {}

private:
    std::vector<uint8_t> written_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // Claimed size: up to 4 MB, so a runaway stream ends at the guard quickly.
    const uint32_t claimed = (static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8)) * 64;
    data += 2;
    size -= 2;
    static auto context = std::make_unique<unzip::TUnZipContext>();
    InputStream archive(data, size);
    OutputStream output;
    context->ArchiveStream = &archive;
    context->OutFile = &output;
    context->MultiVolume = false;
    context->CurrentEntry.BitFlag = 0;
    context->CurrentEntry.CompressedSize = static_cast<uint32_t>(size);
    context->CurrentEntry.UncompressedSize = claimed;
    context->BytesLeft = static_cast<int64_t>(size);
    context->EntrySize = claimed;
    context->BitBuf = 0;
    context->BitCount = 0;
    context->EntryWritten = 0;
    context->InCount = 0;
    context->OutCount = 0;
    context->write_position = context->OutBuf;
    context->RunningCrc = 0xFFFFFFFF;
    try {
        unzip::Inflate(*context);
    } catch (const std::exception&) {
        // The size guard and the premature end are expected outcomes here.
    }
    return 0;
}
