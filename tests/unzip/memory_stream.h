#pragma once
// An in-memory zip::TStream for the decoder tests: reads from and writes into a byte
// vector, with an optional cap on how many bytes a write accepts (a full disk).

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "zip/stream.h"

namespace unzip_test {

class MemoryStream : public zip::TStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override {
        const int64_t available = std::max<int64_t>(0, static_cast<int64_t>(bytes_.size()) - position_);
        const int64_t n = std::min(count, available);
        if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
        position_ += n;
        return n;
    }
    int64_t Write(const void* buffer, int64_t count) override {
        const int64_t n = std::min(count, write_limit_ - position_);
        if (n <= 0) return 0;
        if (position_ + n > static_cast<int64_t>(bytes_.size())) bytes_.resize(static_cast<size_t>(position_ + n));
        std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(n));
        position_ += n;
        return n;
    }
    int64_t Seek(int64_t offset, int origin) override {
        if (origin == 0) position_ = offset;
        else if (origin == 1) position_ += offset;
        else position_ = static_cast<int64_t>(bytes_.size()) + offset;
        return position_;
    }
    void SetSize(int64_t size) override { bytes_.resize(static_cast<size_t>(size)); }

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // Writes beyond this position are refused.
    void set_write_limit(int64_t limit) { write_limit_ = limit; }

private:
    std::vector<uint8_t> bytes_;
    int64_t position_ = 0;
    int64_t write_limit_ = INT64_MAX;
};

}  // namespace unzip_test
