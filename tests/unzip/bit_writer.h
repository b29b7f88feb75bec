#pragma once
// Builds exact deflate bit streams for tests: plain fields least significant bit first, and
// prefix codes most significant bit first, as the format sends them.

#include <cstdint>
#include <vector>

namespace unzip_test {

class BitWriter {
public:
    // n bits of value, low bit first (header fields, extra bits, stored lengths).
    BitWriter& Bits(uint32_t value, int n) {
        for (int bit = 0; bit < n; ++bit) Put((value >> bit) & 1u);
        return *this;
    }
    // A prefix code of n bits, its top bit first.
    BitWriter& Code(uint32_t code, int n) {
        for (int bit = n - 1; bit >= 0; --bit) Put((code >> bit) & 1u);
        return *this;
    }
    // Pads to the next byte boundary with zero bits.
    BitWriter& Align() {
        while (used_ != 0) Put(0);
        return *this;
    }
    BitWriter& Byte(uint8_t value) { return Bits(value, 8); }

    // The fixed-code symbols: a literal or end of block (0..287), and a distance symbol.
    BitWriter& FixedLiteral(int symbol) {
        if (symbol < 144) return Code(0x30 + symbol, 8);
        if (symbol < 256) return Code(0x190 + symbol - 144, 9);
        if (symbol < 280) return Code(symbol - 256, 7);
        return Code(0xC0 + symbol - 280, 8);
    }
    BitWriter& FixedDistance(int symbol) { return Code(static_cast<uint32_t>(symbol), 5); }

    std::vector<uint8_t> Finish() {
        Align();
        return bytes_;
    }

private:
    void Put(uint32_t bit) {
        if (used_ == 0) bytes_.push_back(0);
        bytes_.back() = static_cast<uint8_t>(bytes_.back() | (bit << used_));
        used_ = (used_ + 1) % 8;
    }

    std::vector<uint8_t> bytes_;
    int used_ = 0;
};

}  // namespace unzip_test
