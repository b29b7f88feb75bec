#pragma once
// Streams over memory for the targets that drive a decoder directly: the archive reads the
// input bytes, the output file keeps what is written (bounded by the size guard).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "zip/stream.h"

namespace fuzz_support {

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
    // With offers_area, memory of exactly the size asked for, so that a decoder writing past
    // it is caught.
    uint8_t* DirectArea(int64_t size) override {
        if (!offers_area) return nullptr;
        area_.assign(static_cast<size_t>(size), 0);
        return area_.data();
    }

    bool offers_area = false;

private:
    std::vector<uint8_t> written_;
    std::vector<uint8_t> area_;
};

}  // namespace fuzz_support
