#pragma once
// An in-memory zip::TStream that counts the calls made on it, so a test can tell how often
// a buffered layer above it really went to the "disk".

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "zip/stream.h"

namespace test_support {

class MemoryStream : public zip::TStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    explicit MemoryStream(const std::string& bytes) : bytes_(bytes.begin(), bytes.end()) {}

    int64_t Read(void* buffer, int64_t count) override {
        ++read_calls;
        const int64_t available = std::max<int64_t>(0, static_cast<int64_t>(bytes_.size()) - position_);
        const int64_t n = std::min(count, available);
        if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
        position_ += std::max<int64_t>(n, 0);
        return std::max<int64_t>(n, 0);
    }
    int64_t Write(const void* buffer, int64_t count) override {
        ++write_calls;
        const int64_t n = std::min(count, write_limit - position_);
        if (n <= 0) return 0;
        if (position_ + n > static_cast<int64_t>(bytes_.size())) bytes_.resize(static_cast<size_t>(position_ + n));
        std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(n));
        position_ += n;
        return n;
    }
    int64_t Seek(int64_t offset, int origin) override {
        if (origin == 0) position_ = offset;
        if (origin == 1) position_ += offset;
        if (origin == 2) position_ = static_cast<int64_t>(bytes_.size()) + offset;
        if (position_ < 0) position_ = 0;
        return position_;
    }
    int64_t GetSize() override { return static_cast<int64_t>(bytes_.size()); }
    void SetSize(int64_t size) override { bytes_.resize(static_cast<size_t>(size)); }

    // With offers_area, the area a writer may build its next bytes in (they still reach the
    // stream only through Write).
    uint8_t* DirectArea(int64_t size) override {
        if (!offers_area) return nullptr;
        area_.assign(static_cast<size_t>(size), 0xA5);
        return area_.data();
    }

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::string Text() const { return std::string(bytes_.begin(), bytes_.end()); }

    int read_calls = 0;
    int write_calls = 0;
    int64_t write_limit = INT64_MAX;  // a full disk: writes stop at this position
    bool offers_area = false;

private:
    std::vector<uint8_t> bytes_;
    std::vector<uint8_t> area_;
    int64_t position_ = 0;
};

}  // namespace test_support
