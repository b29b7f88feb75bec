// Inflate: the decoder of deflated entries.
//
// A deflate stream is a sequence of blocks, each opening with a bit that marks the last
// block and two bits of block type. Bits are taken from the least significant end of each
// byte. A stored block (type 0) skips to the next byte boundary and copies LEN raw bytes,
// LEN being sent with its ones' complement as a check. The other blocks are sequences of
// prefix-coded symbols: literals 0-255, the end of the block 256, and lengths 257-285, each
// length followed by a prefix-coded distance; extra bits after a length or distance symbol
// refine its base. A length/distance pair repeats bytes already produced, up to 32768 back,
// so the decoder keeps the last 32768 bytes in a circular window. A fixed block (type 1)
// uses codes the format defines once and for all; a dynamic block (type 2) sends its two
// codes first, as code lengths that are themselves coded with a small code-length code.
// Type 3 does not exist.
//
// Deflate64 (method 9) is the same format with a window of 65536 bytes: distances reach up to
// 65536 back (distance symbols 30 and 31), and length symbol 285 is followed by 16 bits, for
// lengths up to 65538. The decoder is instantiated once for each format (see DeflateFormat),
// and where this file speaks of 32768 bytes Deflate64 has 65536.
//
// The window of 32768 bytes leaves for the output only when it is full and once at the end
// of the entry, so a stream that breaks off writes only the whole windows before the fault.
// It is decoded into a linear area, the context's Window: the current window always has the
// previous one right before it, so a match finds its source in one piece behind it, and may
// write a few bytes past its end (those bytes are not history yet). A full window is written
// to the output where it stands, in the same 16000-byte pieces that OutBuf would pass on
// (what a piece leaves over waits in place, at the end of the window, for the next one),
// and the next window is decoded right after it; only when the area is used up does the
// last window move down to its start. Between entries the first 32768 bytes hold what a
// circular window would hold, so a damaged stream that reaches before its entry's first byte
// reads the same bytes either way.
//
// When the output stream keeps its bytes in memory and offers the entry's whole size there
// (zip::TStream::DirectArea), the windows are decoded straight into that memory instead, one
// after the other, and written from where they stand just the same: the same pieces at the
// same moments, only not copied. The circular window of the previous entry then does not lie
// right before the first one, so a match reaching before the entry's first byte (only a
// damaged stream has one) takes those bytes from it one by one; and before the decoder would
// write past the area (a stream longer than its entry claims), the window moves into the
// context's Window and the entry goes on there as it would have from the start.
//
// Two ways of reading bits give the same result. The exact way asks for bits as the table
// walk needs them (the first-level width, then each sub-table's width, then extra bits) and
// takes each byte through ReadByte, so input refills, window messages and the move to the
// next volume happen at their proper moments. The fast way keeps a 64-bit buffer filled
// straight from InBuf with wide tables. It runs only while InBuf holds far more bytes than
// any one symbol can ask for, so no refill can fall inside it, and it hands back the bytes it
// read ahead when it stops. Everything written, and when, is the same for both.

#include "unzip/inflate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "unzip/decryption.h"
#include "unzip/fast_table.h"
#include "unzip/huffman_build.h"
#include "unzip/huffman_table.h"
#include "unzip/unzip_context.h"

// The fast loop is compiled a second time for processors with BMI2, chosen at run time.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VI_INFLATE_BMI2 1
#else
#define VI_INFLATE_BMI2 0
#endif

namespace unzip {

const uint16_t kLengthBases[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27, 31,
                                   35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
const uint16_t kLengthExtraBits[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                       3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
const uint16_t kDistanceBases[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                     193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint16_t kDistanceExtraBits[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

const uint16_t kDeflate64LengthBases[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27, 31,
                                            35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, kLongLengthBase, 0, 0};
const uint16_t kDeflate64LengthExtraBits[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                                3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
const uint16_t kDeflate64DistanceBases[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,   25,   33,
                                              49,   65,   97,   129,  193,  257,   385,   513,   769,  1025, 1537,
                                              2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
const uint16_t kDeflate64DistanceExtraBits[32] = {0, 0, 0, 0, 1, 1, 2, 2, 3,  3,  4,  4,  5,  5,  6,  6,
                                                  7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};

namespace {

// What sets the two formats apart. Each has its own instantiation of the decoder, so that
// deflate's loop is compiled exactly as if Deflate64 did not exist.
struct DeflateFormat {
    static constexpr uint32_t kWindowSize = 32768;
    static constexpr uint32_t kMaxMatch = 258;
    static constexpr int kDistanceCodes = 30;
    static constexpr bool kLongLengthCode = false;
    static constexpr const uint16_t* kLengthBases = unzip::kLengthBases;
    static constexpr const uint16_t* kLengthExtraBits = unzip::kLengthExtraBits;
    static constexpr const uint16_t* kDistanceBases = unzip::kDistanceBases;
    static constexpr const uint16_t* kDistanceExtraBits = unzip::kDistanceExtraBits;
    // The fast way refills only while InBuf holds at least this many unread bytes of the
    // entry, so a refill never takes a byte the entry does not have. A refill leaves at
    // least 56 bits, and what a step reads after one (four literals of the first level and
    // the look-up of the next code, or a length with its distance and all their extra bits:
    // 15 + 5 + 15 + 13) never asks for more.
    static constexpr ptrdiff_t kFastInputMargin = 8;
};

struct Deflate64Format {
    static constexpr uint32_t kWindowSize = 65536;
    static constexpr uint32_t kMaxMatch = 3 + 65535;
    static constexpr int kDistanceCodes = 32;
    static constexpr bool kLongLengthCode = true;
    static constexpr const uint16_t* kLengthBases = kDeflate64LengthBases;
    static constexpr const uint16_t* kLengthExtraBits = kDeflate64LengthExtraBits;
    static constexpr const uint16_t* kDistanceBases = kDeflate64DistanceBases;
    static constexpr const uint16_t* kDistanceExtraBits = kDeflate64DistanceExtraBits;
    // A long length (15 + 16 bits) and a distance (15 + 14) may ask for more than the 56 bits
    // a refill leaves, so such a step refills once more before its distance: two refills
    // after the margin was checked, each taking at most 7 bytes and reading 8.
    static constexpr ptrdiff_t kFastInputMargin = 16;
};

// The most bits a distance takes with its extra bits: a Deflate64 step with fewer left after
// a long length refills before its distance.
constexpr uint32_t kMaxDistanceBits = 15 + 14;

constexpr uint16_t kLiteralWidth = 9;      // first-level widths of the exact tables
constexpr uint16_t kDistanceWidth = 6;
constexpr uint16_t kCodeLengthWidth = 7;
constexpr uint16_t kFixedLiteralWidth = 7;
constexpr uint16_t kFixedDistanceWidth = 5;
constexpr uint16_t kFastLiteralWidth = 11;  // first-level widths of the fast tables
constexpr uint16_t kFastDistanceWidth = 8;
constexpr int kMaxLiteralLengthCodes = 286;

// The fast distance table of a block whose distance code is empty: every pattern invalid.
constexpr std::array<uint32_t, 1u << kFastDistanceWidth> MakeNoDistanceCodes() {
    std::array<uint32_t, 1u << kFastDistanceWidth> table{};
    for (uint32_t& entry : table) entry = kFastInvalid;
    return table;
}
constexpr std::array<uint32_t, 1u << kFastDistanceWidth> kNoDistanceCodesArray = MakeNoDistanceCodes();
const uint32_t* const kNoDistanceCodes = kNoDistanceCodesArray.data();

// Tables of one code in both forms: the packed fast table, built with every block, and the
// exact lookup table, built only when the exact way first needs it (near the end of InBuf
// or of the block). Both come from the same lengths, so they agree on every result.
struct CodeTables {
    FastTable fast;  // empty when the code is empty; else its first level is the fast width
    std::vector<HuffmanEntry> exact;
    uint16_t exact_width = 0;
    bool exact_built = false;

    // What the exact build needs.
    uint16_t lengths[kHuffmanMaxSymbols] = {};
    int symbol_count = 0;
    int simple_symbols = 0;
    const uint16_t* bases = nullptr;
    const uint16_t* extras = nullptr;
    uint16_t requested_width = 0;
    uint16_t following_width = 0;  // packed into the codes' fast entries (see fast_table.h)
    CodeShape shape;
    uint16_t exact_first_width = 0;  // the first-level width the exact build will have
    uint32_t fast_mask = 0;

    // The links of the exact table's first level, found without building it (FindExactLinks):
    // for each pattern of the first level, the width of the sub-table its link leads to, 0
    // for none. Known only for a first level of up to 9 bits, and of use only while no
    // sub-table has links of its own.
    static constexpr uint16_t kMaxLinkedWidth = 9;
    uint8_t link_widths[1u << kMaxLinkedWidth] = {};
    bool links_known = false;
    bool links_nested = false;

    // The code bits at its level of a fast entry (a link's: those of the first level), given
    // the bits that mark a literal or an exceptional entry (see KindBits).
    uint32_t LevelBits(uint32_t entry, uint32_t kind_bits = kFastLiteral | kFastExceptional) const {
        if (entry & kind_bits) return FastBits(entry);
        return following_width != 0 ? FastFollowedCodeBits(entry) : FastCodeBits(entry);
    }

    const HuffmanEntry* ExactTable() const { return exact.empty() ? nullptr : exact.data(); }
};

// Builds the fast table of a code and prepares its exact one. Returns the builder's result;
// kHuffmanOutOfMemory after reporting it.
int BuildCode(const uint16_t* lengths, int n, int s, const uint16_t* bases, const uint16_t* extras,
              uint16_t exact_width, uint16_t fast_width, uint16_t following_width, CodeTables& tables) {
    std::memcpy(tables.lengths, lengths, static_cast<size_t>(n) * sizeof(uint16_t));
    tables.symbol_count = n;
    tables.simple_symbols = s;
    tables.bases = bases;
    tables.extras = extras;
    tables.requested_width = exact_width;
    tables.following_width = following_width;
    tables.fast_mask = (1u << fast_width) - 1u;
    tables.exact_built = false;
    tables.links_known = false;
    tables.exact.clear();
    try {
        const int result =
            BuildFastTable(lengths, n, s, bases, extras, fast_width, following_width, tables.fast, tables.shape);
        // The width the builder gives the exact first level: the one asked for, within the
        // shortest and the longest length in use (0 for an empty code).
        tables.exact_first_width =
            tables.shape.longest == 0 ? 0 : std::clamp(exact_width, tables.shape.shortest, tables.shape.longest);
        return result;
    } catch (const std::bad_alloc&) {
        tables.fast.clear();
        ReportOutOfMemoryOfTables();
        return kHuffmanOutOfMemory;
    }
}

// The widths of the exact table's sub-tables, taken from the lengths without building it.
void FindExactLinks(CodeTables& tables) {
    std::memset(tables.link_widths, 0, sizeof tables.link_widths);
    tables.links_nested = !FindSubTableWidths(tables.shape, tables.exact_first_width, tables.link_widths);
    tables.links_known = true;
}

// Builds the exact table when it is first needed. False when memory ran out (reported).
bool EnsureExact(CodeTables& tables) {
    if (tables.exact_built) return true;
    try {
        tables.exact_width = tables.requested_width;
        BuildHuffmanEntries(tables.lengths, tables.symbol_count, tables.simple_symbols, tables.bases, tables.extras,
                            tables.exact, tables.exact_width);
        tables.exact_built = true;
        return true;
    } catch (const std::bad_alloc&) {
        ReportOutOfMemoryOfTables();
        return false;
    }
}

inline uint64_t LoadLittleEndian64(const uint8_t* source) {
    uint64_t value;
    std::memcpy(&value, source, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap64(value);
#endif
    return value;
}

inline uint64_t LowBits(uint64_t bits, uint32_t n) { return bits & ((uint64_t{1} << n) - 1u); }

// LowBits with the count in the low byte of code (at most 63), the rest of code ignored. With
// BMI2 that is one instruction, which the compiler does not always find by itself.
template <bool kBmi2>
inline uint64_t LowBitsOfByteCount(uint64_t bits, uint32_t code) {
#if VI_INFLATE_BMI2 && defined(__x86_64__)
    if constexpr (kBmi2) {
        uint64_t low;
        __asm__("bzhi %q2, %1, %0" : "=r"(low) : "rm"(bits), "r"(code));
        return low;
    }
#endif
    return LowBits(bits, code & 0xFFu);
}

// The first-level index of the code that follows a literal or a length: the width bits of
// bits past the ones the entry takes, both given by the entry (its bits in the low byte, the
// width of the table the next code is looked up in in the next). With BMI2 that is one
// instruction, a step shorter than a shift and a mask on the chain from one look-up to the
// next.
template <bool kBmi2>
inline uint64_t IndexAfter(uint64_t bits, uint32_t entry, uint32_t width_mask) {
#if VI_INFLATE_BMI2 && defined(__x86_64__)
    if constexpr (kBmi2) {
        uint64_t index;
        __asm__("bextr %q2, %1, %0" : "=r"(index) : "rm"(bits), "r"(entry));
        return index;
    }
#endif
    return (bits >> (entry & 63u)) & width_mask;
}

// Repeats n bytes from distance back (distance >= 1), byte by byte in effect: an overlapping
// source repeats what was just written. Writes exactly n bytes.
inline void CopyMatch(uint8_t* target, uint32_t distance, uint32_t n) {
    const uint8_t* source = target - distance;
    if (distance >= 8 && n >= 8) {
        uint32_t done = 0;
        while (n - done > 8) {
            uint64_t chunk;
            std::memcpy(&chunk, source + done, 8);
            std::memcpy(target + done, &chunk, 8);
            done += 8;
        }
        // The last chunk ends exactly at the end; it may overlap the one before.
        uint64_t chunk;
        std::memcpy(&chunk, source + n - 8, 8);
        std::memcpy(target + n - 8, &chunk, 8);
        return;
    }
    if (distance == 1) {
        std::memset(target, source[0], n);
        return;
    }
    for (uint32_t index = 0; index < n; ++index) target[index] = source[index];
}

inline void Move16(uint8_t* target, const uint8_t* source) {
    uint8_t chunk[16];
    std::memcpy(chunk, source, 16);
    std::memcpy(target, chunk, 16);
}

// Repeats n (3 to 258) bytes from distance back, like CopyMatch, but in moves of 16 bytes
// that may write up to 31 bytes past the end, where nothing is history yet. The first two
// moves are made whatever the length, since most matches are short.
inline void CopyMatchWithSlack(uint8_t* target, uint32_t distance, uint32_t n) {
    const uint8_t* source = target - distance;
    uint8_t* const end = target + n;
    if (__builtin_expect(distance < 16, 0)) {
        // A period shorter than a move: each move writes one more period behind the ones
        // before it, the source staying put, so the distance doubles until it holds a whole
        // move (a multiple of the period: the pattern is the same from there). At most 22
        // bytes are written before the moves go on as for any distance.
        do {
            Move16(target, source);
            target += target - source;
        } while (target - source < 16);
        while (target < end) {
            Move16(target, source);
            source += 16;
            target += 16;
        }
        return;
    }
    Move16(target, source);
    Move16(target + 16, source + 16);
    if (n <= 32) return;
    target += 32;
    source += 32;
    do {
        Move16(target, source);
        source += 16;
        target += 16;
    } while (target < end);
}

template <typename Format>
class Inflater {
    static constexpr uint32_t kWindowSize = Format::kWindowSize;
    // The first current window of an entry starts here in the context's Window, after the
    // previous one.
    static constexpr uint32_t kCurrentWindow = kWindowSize;
    // The fast way starts a step only below the end of the current window; its four literals,
    // or its match (whose moves run at most 31 bytes past its end), then stay inside the slack.
    static constexpr uint32_t kWindowOverrun = Format::kMaxMatch + 31;
    static_assert(kCurrentWindow + kWindowSize + kWindowOverrun <= static_cast<uint32_t>(kWindowBytes));

public:
    // Every entry starts with OutBuf empty; the inflater writes its output itself.
    // The input of an encrypted entry is decrypted as the decoding goes (see DecodeFastLoop).
    explicit Inflater(TUnZipContext& context)
        : context_(context), window_(context.Window + kCurrentWindow), history_start_(context.Window) {
        context.decrypt_on_demand = true;
        // Deflate only: the last stretch of an area, where a step's overrun would not fit, is
        // decoded the exact way, and Deflate64's overrun is a whole window. Below a window the
        // area saves little.
        if constexpr (Format::kMaxMatch < kWindowSize) {
            if (context.OutFile != nullptr && context.EntrySize >= kWindowSize + kWindowOverrun &&
                context.EntrySize <= uint64_t{INT32_MAX}) {
                if (uint8_t* area = context.OutFile->DirectArea(static_cast<int64_t>(context.EntrySize))) {
                    window_ = area;
                    history_start_ = area;
                    area_end_ = area + context.EntrySize;
                }
            }
        }
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Leaves the first window's worth of Window (32768 bytes, 65536 for Deflate64) as a
    // circular window would be, also when the entry ends by an exception: the bytes of the
    // current window up to the position, the previous window's after it.
    ~Inflater() {
        context_.decrypt_on_demand = false;
        const uint32_t produced = position_ < kWindowSize ? position_ : kWindowSize;
        uint8_t* const circular = context_.Window;
        // Further on in the area, the previous window lies apart from the start; the first
        // window of an output area has the circular one itself before it.
        if (window_ != circular + kCurrentWindow && window_ != history_start_)
            std::memcpy(circular + produced, window_ - kWindowSize + produced, kWindowSize - produced);
        std::memcpy(circular, window_, produced);
    }

    void Run() {
        bool last = false;
        do {
            if (InflateBlock(last) != kInflateOk) return;
        } while (!last);
        WriteWindow(position_);
        if (waiting_ > 0) WriteOutput(context_, window_ + position_ - waiting_, waiting_);
        waiting_ = 0;
    }

private:
    // ---- Exact bit reading, through ReadByte.

    void Need(uint32_t n) {
        while (count_ < n) {
            uint8_t value = 0;
            if (ReadByte(context_, value) != kByteRead) {
                value = 0;
                if (InputOverrun(context_)) overrun_ = true;
            }
            bits_ |= uint64_t{value} << count_;
            count_ += 8;
        }
    }
    void Drop(uint32_t n) {
        bits_ >>= n;
        count_ -= n;
    }
    uint32_t Take(uint32_t n) {
        Need(n);
        const uint32_t value = static_cast<uint32_t>(LowBits(bits_, n));
        Drop(n);
        return value;
    }

    // Walks an exact table to a leaf and drops its bits; nullptr for an empty table or an
    // invalid code.
    const HuffmanEntry* DecodeExact(const HuffmanEntry* table, uint16_t width) {
        Need(width);
        if (table == nullptr) return nullptr;
        const HuffmanEntry* entry = &table[LowBits(bits_, width)];
        while (entry->Op > kOpLiteral) {
            if (entry->Op == kOpInvalid) return nullptr;
            Drop(entry->Bits);
            const uint32_t sub_width = entry->Op - kOpLinkBase;
            Need(sub_width);
            entry = &FollowLink(table, *entry, static_cast<uint32_t>(bits_));
        }
        Drop(entry->Bits);
        return entry;
    }

    // ---- Output into the window.

    // Writes the first n bytes of the current window, after the ones still waiting before
    // it, in pieces of exactly 16000 bytes; the rest waits.
    void WriteWindow(uint32_t n) {
        const uint8_t* piece = window_ - waiting_;
        uint32_t left = waiting_ + n;
        while (left >= kIoBufferLimit) {
            WriteOutput(context_, piece, kIoBufferLimit);
            piece += kIoBufferLimit;
            left -= kIoBufferLimit;
        }
        waiting_ = left;
    }

    // Once the current window is full: it leaves for the output and becomes the previous
    // one; what was written past its end starts the next, right after it, or at the start
    // of the area when the next one would not fit.
    void EndWindowWhenFull() {
        if constexpr (Format::kMaxMatch > kWindowSize) {
            // A Deflate64 match that starts near the end of a window may fill the next one too.
            while (position_ >= kWindowSize) EndWindow();
        } else {
            if (position_ >= kWindowSize) EndWindow();
        }
    }

    // Kept out of line: it runs once a window, and inlined after the fast loop its values
    // would compete with the loop's own for registers.
    __attribute__((noinline)) void EndWindow() {
        WriteWindow(kWindowSize);
        position_ -= kWindowSize;
        if (area_end_ != nullptr || window_ + 2 * kWindowSize + kWindowOverrun <= context_.Window + kWindowBytes) {
            window_ += kWindowSize;
        } else {
            std::memmove(context_.Window, window_, kWindowSize + position_);
            window_ = context_.Window + kCurrentWindow;
        }
    }

    void PutLiteral(uint8_t value) {
        MakeRoom(1);
        window_[position_++] = value;
        EndWindowWhenFull();
    }

    // Copies n bytes from back the given distance; the window is flushed when it fills.
    void CopyFromWindow(uint32_t distance, uint32_t n) {
        MakeRoom(n);
        CopyMatchOf(window_ + position_, distance, n);
        position_ += n;
        EndWindowWhenFull();
    }

    // ---- The output area (see the file comment).

    // Before n bytes are written at the position: when they would not fit in the output
    // area, the decoding leaves it for the context's Window, the previous window (or the
    // circular one) and the current one laid out there as they would have been.
    void MakeRoom(uint32_t n) {
        if (area_end_ == nullptr || window_ + position_ + n <= area_end_) return;
        uint8_t* const base = context_.Window;
        if (window_ == history_start_) {
            std::memcpy(base + kCurrentWindow, window_, position_);
        } else {
            std::memcpy(base, window_ - kWindowSize, kWindowSize + position_);
        }
        window_ = base + kCurrentWindow;
        history_start_ = base;
        area_end_ = nullptr;
    }

    // Where the fast way stops starting steps: a step's overrun stays inside the output area.
    uint8_t* FastEnd() const {
        uint8_t* const end = window_ + kWindowSize;
        if (area_end_ == nullptr || area_end_ - kWindowOverrun >= end) return end;
        return area_end_ - kWindowOverrun;
    }

    // CopyMatch, also for a match that reaches before the entry's first byte in an output
    // area: those bytes come from the circular window before it, as they would in Window.
    void CopyMatchOf(uint8_t* target, uint32_t distance, uint32_t n) {
        if (__builtin_expect(static_cast<size_t>(target - history_start_) >= distance, 1)) {
            CopyMatch(target, distance, n);
            return;
        }
        for (uint32_t index = 0; index < n; ++index, ++target) {
            const ptrdiff_t back = history_start_ - (target - distance);
            *target = back > 0 ? context_.Window[kWindowSize - back] : target[-static_cast<ptrdiff_t>(distance)];
        }
    }

    // ---- Blocks.

    int InflateBlock(bool& last) {
        last = Take(1) != 0;
        const uint32_t type = Take(2);
        if (overrun_) return kInflateMalformed;
        switch (type) {
            case 0: return InflateStoredBlock();
            case 1: return InflateFixedBlock();
            case 2: return InflateDynamicBlock();
            default: return kInflateBadBlockType;
        }
    }

    int InflateStoredBlock() {
        Drop(count_ % 8);
        const uint32_t length = Take(16);
        Need(16);
        if (length != (~static_cast<uint32_t>(bits_) & 0xFFFFu)) return kInflateMalformed;
        Drop(16);
        uint32_t left = length;
        while (left > 0) {
            if (count_ == 0) {
                // Whole bytes straight from InBuf while it has them; ReadByte when it is empty.
                const ptrdiff_t available = Available();
                if (available > 0) {
                    uint32_t piece = kWindowSize - position_;
                    if (piece > left) piece = left;
                    if (piece > static_cast<uint32_t>(available)) piece = static_cast<uint32_t>(available);
                    MakeRoom(piece);
                    DecryptInputTo(context_, context_.read_position + piece);
                    std::memcpy(window_ + position_, context_.read_position, piece);
                    context_.read_position += piece;
                    context_.InCount = static_cast<uint16_t>(context_.InCount - piece);
                    context_.BytesLeft -= static_cast<int32_t>(piece);
                    left -= piece;
                    position_ += piece;
                    EndWindowWhenFull();
                    continue;
                }
            }
            PutLiteral(static_cast<uint8_t>(Take(8)));
            --left;
            if (overrun_) return kInflateMalformed;
        }
        return kInflateOk;
    }

    struct FixedCodes {
        CodeTables literals;
        CodeTables distances;
        int result = kInflateOk;
    };

    static FixedCodes& Fixed() {
        // The fixed codes never change, so they are built once, in both forms.
        static FixedCodes* const fixed = [] {
            auto* codes = new FixedCodes;
            uint16_t lengths[288];
            for (int symbol = 0; symbol < 288; ++symbol)
                lengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
            codes->result = BuildCode(lengths, 288, 257, Format::kLengthBases, Format::kLengthExtraBits,
                                      kFixedLiteralWidth, kFastLiteralWidth, kFastDistanceWidth, codes->literals);
            uint16_t distance_lengths[Format::kDistanceCodes];
            for (uint16_t& length : distance_lengths) length = 5;
            // Deflate's code uses 30 of its 32 patterns; the two unused ones decode as invalid.
            const int distance_result =
                BuildCode(distance_lengths, Format::kDistanceCodes, 0, Format::kDistanceBases,
                          Format::kDistanceExtraBits, kFixedDistanceWidth, kFastDistanceWidth, 0, codes->distances);
            if (codes->result == kHuffmanOk && distance_result > kHuffmanIncomplete) codes->result = distance_result;
            if (!EnsureExact(codes->literals) || !EnsureExact(codes->distances)) codes->result = kInflateOutOfMemory;
            // Everything about them is known before any thread decodes with them.
            FindExactLinks(codes->literals);
            FindExactLinks(codes->distances);
            return codes;
        }();
        return *fixed;
    }

    int InflateFixedBlock() {
        FixedCodes& fixed = Fixed();
        if (fixed.result != kInflateOk) return fixed.result;
        return DecodeHuffmanBlock(fixed.literals, fixed.distances);
    }

    int InflateDynamicBlock() {
        const uint32_t literal_count = 257 + Take(5);
        const uint32_t distance_count = 1 + Take(5);
        const uint32_t code_length_count = 4 + Take(4);
        if (literal_count > kMaxLiteralLengthCodes || distance_count > Format::kDistanceCodes) return kInflateMalformed;

        uint16_t code_length_lengths[19] = {};
        for (uint32_t index = 0; index < code_length_count; ++index)
            code_length_lengths[kCodeLengthOrder[index]] = static_cast<uint16_t>(Take(3));
        if (overrun_) return kInflateMalformed;

        // The code-length table lives in a member, so nothing leaks when a read below raises.
        uint16_t code_length_width = kCodeLengthWidth;
        int table_result;
        try {
            table_result = BuildHuffmanEntries(code_length_lengths, 19, 19, nullptr, nullptr, code_length_table_,
                                               code_length_width);
        } catch (const std::bad_alloc&) {
            ReportOutOfMemoryOfTables();
            return kHuffmanOutOfMemory;
        }
        if (table_result != kHuffmanOk) return table_result;
        if (code_length_table_.empty()) return kInflateMalformed;

        uint16_t lengths[kMaxLiteralLengthCodes + Format::kDistanceCodes] = {};
        const uint32_t total = literal_count + distance_count;
        uint32_t filled = 0;
        uint16_t previous = 0;
        while (filled < total) {
            Need(code_length_width);
            const HuffmanEntry& entry = code_length_table_[LowBits(bits_, code_length_width)];
            // A lone code-length code of length 1 leaves one pattern without a symbol.
            if (entry.Op == kOpInvalid || overrun_) return kInflateMalformed;
            Drop(entry.Bits);
            const uint32_t symbol = entry.Value;
            if (symbol < 16) {
                lengths[filled++] = static_cast<uint16_t>(symbol);
                previous = static_cast<uint16_t>(symbol);
                continue;
            }
            uint32_t repeat;
            uint16_t value;
            if (symbol == 16) {
                repeat = 3 + Take(2);
                value = previous;
            } else if (symbol == 17) {
                repeat = 3 + Take(3);
                value = 0;
            } else {
                repeat = 11 + Take(7);
                value = 0;
            }
            previous = value;
            if (filled + repeat > total) return kInflateMalformed;
            while (repeat-- > 0) lengths[filled++] = value;
        }

        // A length's entries carry the distance table's width, for the look-up that follows.
        int result = BuildCode(lengths, static_cast<int>(literal_count), 257, Format::kLengthBases,
                               Format::kLengthExtraBits, kLiteralWidth, kFastLiteralWidth, kFastDistanceWidth, literals_);
        if (result != kHuffmanOk) return result;
        result = BuildCode(lengths + literal_count, static_cast<int>(distance_count), 0, Format::kDistanceBases,
                           Format::kDistanceExtraBits, kDistanceWidth, kFastDistanceWidth, 0, distances_);
        if (result != kHuffmanOk) return result;
        return DecodeHuffmanBlock(literals_, distances_);
    }

    // ---- The symbols of a fixed or dynamic block.

    int DecodeHuffmanBlock(CodeTables& literals, CodeTables& distances) {
        const bool fast_possible = !literals.fast.empty();
        for (;;) {
            if (fast_possible && Available() >= Format::kFastInputMargin && window_ + position_ < FastEnd()) {
                const int fast_result = DecodeFast(literals, distances);
                if (fast_result != kContinue) return fast_result;
            }
            const int result = DecodeOneExact(literals, distances);
            if (result != kContinue) return result;
        }
    }

    static constexpr int kContinue = -1;

    // The leaf of one code read the exact way.
    struct Leaf {
        enum Kind { kLiteral, kEnd, kCode, kInvalid } kind = kInvalid;
        uint32_t value = 0;  // the literal, or the base of a length or distance
        uint32_t extra = 0;  // the extra bits after a length or distance
    };

    // Reads one code the exact way. A code no longer than the exact table's first level is
    // found in the fast table, read as the exact walk reads it (the first-level width asked
    // for, the code dropped); a longer one too, once the width of the exact sub-table it
    // lies in is known (the first-level width and that width asked for), so most blocks never
    // build their exact tables. Otherwise the code walks the exact table, built now. False
    // when memory ran out (reported).
    bool DecodeLeaf(CodeTables& tables, Leaf& leaf) {
        Need(tables.exact_first_width);
        if (tables.fast.empty() && tables.exact_first_width == 0) {
            leaf.kind = Leaf::kInvalid;  // an empty code
            return true;
        }
        if (!tables.fast.empty()) {
            const uint32_t entry = tables.fast[bits_ & tables.fast_mask];
            const uint32_t code_bits = tables.LevelBits(entry, KindBits(tables));
            if ((entry & kFastKindMask) != kFastLink && code_bits <= tables.exact_first_width) {
                if ((entry & kFastKindMask) == kFastInvalid) {
                    leaf.kind = Leaf::kInvalid;
                    return true;
                }
                Drop(code_bits);
                LeafOf(tables, entry, leaf);
                return true;
            }
            if (tables.exact_first_width <= CodeTables::kMaxLinkedWidth) {
                if (!tables.links_known) FindExactLinks(tables);
                const uint32_t sub_width = tables.link_widths[LowBits(bits_, tables.exact_first_width)];
                if (!tables.links_nested && sub_width != 0) {
                    Need(tables.exact_first_width + sub_width);
                    uint32_t found = tables.fast[bits_ & tables.fast_mask];
                    uint32_t code_bits = 0;
                    if ((found & kFastKindMask) == kFastLink) {
                        code_bits = FastBits(found);
                        found = tables.fast[FastValue(found) + LowBits(bits_ >> code_bits, FastCodeBits(found))];
                    }
                    if ((found & kFastKindMask) == kFastInvalid || (found & kFastKindMask) == kFastLink) {
                        leaf.kind = Leaf::kInvalid;
                        return true;
                    }
                    code_bits += tables.LevelBits(found, KindBits(tables));
                    Drop(code_bits);
                    LeafOf(tables, found, leaf);
                    return true;
                }
            }
        }
        if (!EnsureExact(tables)) return false;
        const HuffmanEntry* entry = DecodeExact(tables.ExactTable(), tables.exact_width);
        leaf.kind = entry == nullptr              ? Leaf::kInvalid
                    : entry->Op == kOpLiteral     ? Leaf::kLiteral
                    : entry->Op == kOpEndOfBlock  ? Leaf::kEnd
                                                  : Leaf::kCode;
        if (entry != nullptr) leaf.value = entry->Value, leaf.extra = entry->Op;
        return true;
    }

    // The leaf of a valid fast-table entry of tables that is not a link.
    static void LeafOf(const CodeTables& tables, uint32_t entry, Leaf& leaf) {
        if (KindBits(tables) == kFastExceptional) {  // a Deflate64 distance, its base 16 bits wide
            leaf.kind = Leaf::kCode;
            leaf.value = entry >> 16;
            leaf.extra = FastBits(entry) - FastCodeBits(entry);
            return;
        }
        const bool plain = (entry & (kFastLiteral | kFastExceptional)) == 0;
        leaf.kind = (entry & kFastLiteral) ? Leaf::kLiteral : plain ? Leaf::kCode : Leaf::kEnd;
        leaf.value = !plain                          ? FastValue(entry) & 0xFFu
                     : tables.following_width != 0 ? FastFollowedBase(entry)
                                                   : FastValue(entry);
        leaf.extra = FastBits(entry) - tables.LevelBits(entry);
    }

    // The bits that mark a fast entry of tables as a literal or an exceptional one. A
    // Deflate64 distance's base may fill the literal's bit: a distance code has no literals.
    static constexpr uint32_t KindBits(const CodeTables& tables) {
        if constexpr (Format::kDistanceCodes > DeflateFormat::kDistanceCodes) {
            if (tables.simple_symbols == 0) return kFastExceptional;
        }
        return kFastLiteral | kFastExceptional;
    }

    // Decodes one symbol the exact way: kContinue, or the block's result.
    int DecodeOneExact(CodeTables& literals, CodeTables& distances) {
        Leaf leaf;
        if (!DecodeLeaf(literals, leaf)) return kInflateOutOfMemory;
        if (leaf.kind == Leaf::kInvalid || overrun_) return kInflateMalformed;
        if (leaf.kind == Leaf::kLiteral) {
            PutLiteral(static_cast<uint8_t>(leaf.value));
            return kContinue;
        }
        if (leaf.kind == Leaf::kEnd) return kInflateOk;
        uint32_t length = leaf.value + Take(leaf.extra);
        if (Format::kLongLengthCode && leaf.value == kLongLengthBase) length = 3 + Take(kLongLengthExtraBits);
        if (!DecodeLeaf(distances, leaf)) return kInflateOutOfMemory;
        if (leaf.kind != Leaf::kCode) return kInflateMalformed;
        const uint32_t distance = leaf.value + Take(leaf.extra);
        if (overrun_) return kInflateMalformed;
        CopyFromWindow(distance, length);
        return kContinue;
    }

    ptrdiff_t Available() const {
        return context_.BytesLeft < context_.InCount ? context_.BytesLeft : context_.InCount;
    }

    // Decodes symbols the fast way until the block ends (its result), the input margin is
    // reached, the window is full or an entry needs the exact way (kContinue). The bytes read
    // ahead go back to InBuf before it returns.
    int DecodeFast(const CodeTables& literals, const CodeTables& distances) {
        // Input still to be decrypted: an encrypted entry's (see DecodeFastLoop).
        const bool decrypt = context_.plain_end < context_.read_position + context_.InCount;
#if VI_INFLATE_BMI2
        // The variable shifts and bit masks of the loop take one instruction each with BMI2.
        static const bool bmi2 = __builtin_cpu_supports("bmi2");
        if (bmi2) return decrypt ? DecodeFastBmi2<true>(literals, distances) : DecodeFastBmi2<false>(literals, distances);
#endif
        return decrypt ? DecodeFastLoop<true, false>(literals, distances)
                       : DecodeFastLoop<false, false>(literals, distances);
    }

#if VI_INFLATE_BMI2
    template <bool kDecrypt>
    __attribute__((target("bmi2"))) int DecodeFastBmi2(const CodeTables& literals, const CodeTables& distances) {
        return DecodeFastLoop<kDecrypt, true>(literals, distances);
    }
#endif

    // With kDecrypt, the input is decrypted a little ahead of the decoding, eight bytes at a
    // time, inside the loop: decryption is one chain of dependent steps per byte that leaves
    // the processor mostly idle, and the decoding fills the gaps instead of waiting for a
    // whole buffer to be decrypted first.
    template <bool kDecrypt, bool kBmi2>
    __attribute__((always_inline)) inline int DecodeFastLoop(const CodeTables& literals, const CodeTables& distances) {
        // Where the call starts is context_.read_position, which the loop leaves alone: one
        // register fewer for the loop, which keeps the bit buffer out of memory.
        const uint8_t* input = context_.read_position;
        const uint8_t* const input_limit = input + (Available() - Format::kFastInputMargin);
        uint64_t bits = bits_;
        // Only the low six bits of count matter: an entry is subtracted whole, its low byte
        // being the bits it takes, and the borrows it leaves above them are never read.
        uint32_t count = count_;
        // The next byte of output, and the end of the current window.
        uint8_t* out = window_ + position_;
        uint8_t* const window_end = FastEnd();
        const uint8_t* const history_start = history_start_;
        const uint32_t* const literal_table = literals.fast.data();
        constexpr uint32_t literal_mask = (1u << kFastLiteralWidth) - 1u;
        // A block without distance codes finds every distance code invalid.
        const uint32_t* const distance_table = distances.fast.empty() ? kNoDistanceCodes : distances.fast.data();
        constexpr uint32_t distance_mask = (1u << kFastDistanceWidth) - 1u;
        int result = kContinue;
        const auto consume = [&](uint32_t taken) {
            bits >>= taken & 63u;
            count -= taken;
        };
        // The extra bits after the code of a length or distance entry, given the bits the
        // entry was looked up with and the code's own bits at its level.
        const auto extra_bits = [](uint64_t entry_bits, uint32_t code, uint32_t level_bits) {
            return static_cast<uint32_t>(LowBitsOfByteCount<kBmi2>(entry_bits, code) >> level_bits);
        };
        uint8_t* plain = context_.plain_end;
        uint8_t* const held_end = context_.read_position + context_.InCount;
        DecryptionKeys keys(context_.Key0, context_.Key1, context_.Key2);
        // Before a refill: the 8 bytes it reads must be plain. A refill takes at most 7 of
        // them, so one step of 8 keeps plain at least one byte ahead of input.
        const auto decrypt_ahead = [&] {
            if (!kDecrypt || plain >= input + 16) return;
            if (held_end - plain >= 8) {
#pragma GCC unroll 8
                for (int index = 0; index < 8; ++index) keys.Step(plain[index]);
                plain += 8;
            } else {
                while (plain < held_end) keys.Step(*plain++);
            }
        };
        const auto save_decryption = [&] {
            if (!kDecrypt) return;
            context_.plain_end = plain;
            context_.Key0 = keys.key0;
            context_.Key1 = keys.key1;
            context_.Key2 = keys.key2;
        };

        const auto refill = [&] {
            decrypt_ahead();
            bits |= LoadLittleEndian64(input) << (count & 63u);
            input += (~count >> 3) & 7u;
            count |= 56;
        };

        // The entry of the code at the start of the bits. It is looked up before the refill
        // that precedes its step, so the look-up does not wait for the refill.
        uint32_t entry = 0;
        // The literal of an entry whose bits are used, given the bits it was looked up with;
        // then the entry of the next code.
        const auto put_literal = [&](uint64_t literal_bits) {
            *out++ = static_cast<uint8_t>(entry >> 16);
            entry = literal_table[IndexAfter<kBmi2>(literal_bits, entry, literal_mask)];
        };
        const auto take_literal = [&] {
            const uint64_t literal_bits = bits;
            consume(entry);
            put_literal(literal_bits);
        };
        // Between steps: the bits are refilled while the window has room and the input
        // lasts. A full window ends the call, so the loop calls nothing and keeps its values
        // in registers; the caller comes back after it has left.
        const auto next_step = [&] {
            if (out >= window_end || input > input_limit) return false;
            refill();
            return true;
        };
        // Each step starts with at least 56 bits ready: enough for four literals of the first
        // level and the look-up of the code after them, or for one length with its distance
        // and all their extra bits. The output is below the end of the current window
        // whenever a step starts: the exact way hands over after a window that filled has
        // left.
        refill();
        entry = literal_table[bits & literal_mask];
        for (;;) {
            // Every code's bits are used, whatever it turns out to be.
            const uint64_t code_bits = bits;
            consume(entry);
            if (entry & kFastLiteral) {
                put_literal(code_bits);
                if (entry & kFastLiteral) {
                    take_literal();
                    if (entry & kFastLiteral) {
                        take_literal();
                        // A literal of the first level takes at most 11 bits: a fourth one
                        // still finds its bits, and the code after it at least 12.
                        if (entry & kFastLiteral) take_literal();
                    }
                }
            } else {
                // The bits the entry in hand was looked up with.
                uint64_t entry_bits = code_bits;
                // Marked unlikely so that a length falls through to its distance instead of
                // jumping there: the literals and the matches, the two paths every step takes,
                // then each cost one taken branch fewer (about 3 % on the big file).
                if (__builtin_expect((entry & kFastExceptional) != 0, 0)) {
                    // A link to a sub-table, the end of the block or an invalid code.
                    if ((entry & kFastKindMask) == kFastLink) {
                        entry = literal_table[FastValue(entry) + LowBits(bits, FastCodeBits(entry))];
                        entry_bits = bits;
                        consume(entry);
                        if (entry & kFastLiteral) {
                            put_literal(entry_bits);
                            if (!next_step()) break;
                            continue;
                        }
                    }
                    if (entry & kFastExceptional) {
                        // The end of the block, or an invalid code.
                        result = (entry & kFastKindMask) == kFastEnd ? kInflateOk : kInflateMalformed;
                        break;
                    }
                }
                // A length's entry has the layout of a followed code (see fast_table.h): the
                // distance's index comes from it in one step.
                uint32_t length = FastFollowedBase(entry) + extra_bits(entry_bits, entry, FastFollowedCodeBits(entry));
                if (Format::kLongLengthCode && __builtin_expect(length == kLongLengthBase, 0)) {
                    // Deflate64's long length: its 16 bits follow the code, and the distance
                    // after them may need more bits than the step has left.
                    length = 3 + static_cast<uint32_t>(LowBits(bits, kLongLengthExtraBits));
                    consume(kLongLengthExtraBits);
                    if ((count & 63u) < kMaxDistanceBits) refill();
                    entry = distance_table[bits & distance_mask];
                } else {
                    entry = distance_table[IndexAfter<kBmi2>(entry_bits, entry, distance_mask)];
                }
                if (__builtin_expect((entry & kFastExceptional) != 0, 0)) {
                    if ((entry & kFastKindMask) == kFastLink) {
                        consume(entry);
                        entry = distance_table[FastValue(entry) + LowBits(bits, FastCodeBits(entry))];
                    }
                    if (entry & kFastExceptional) {
                        consume(entry);
                        result = kInflateMalformed;
                        break;
                    }
                }
                // (A distance has no kind bits and no literal bit: its base and code bits need no
                // mask beyond the shift's own.)
                const uint32_t distance = (entry >> 16) + extra_bits(bits, entry, (entry >> 8) & 63u);
                consume(entry);

                // The previous window lies right before the current one, so every distance
                // up to 32768 finds its source in one piece.
                if (__builtin_expect(static_cast<size_t>(out - history_start) < distance, 0)) {
                    // Only in a damaged stream, before the first bytes of an output area.
                    CopyMatchOf(out, distance, length);
                    out += length;
                    break;
                }
                if (input > input_limit) {
                    CopyMatchWithSlack(out, distance, length);
                    out += length;
                    break;
                }
                // The next step's look-up and refill come before the match is copied, so the
                // copy's branches do not hold them up. The look-up takes the bits left before
                // the refill, which are enough unless the match took nearly all of them: the
                // refill is then off the way from one code to the next.
                const uint32_t left = count & 63u;
                entry = literal_table[bits & literal_mask];
                refill();
                if (left < kFastLiteralWidth) entry = literal_table[bits & literal_mask];
                CopyMatchWithSlack(out, distance, length);
                out += length;
                if (out < window_end) continue;
                break;
            }
            if (!next_step()) break;
        }
        save_decryption();
        // A window filled by the last step leaves before anything else is read.
        position_ = static_cast<uint32_t>(out - window_);
        EndWindowWhenFull();

        // Hand back the whole bytes read ahead, but never more than this call took.
        count &= 63u;
        uint32_t give_back = count / 8;
        const auto taken = static_cast<uint32_t>(input - context_.read_position);
        if (give_back > taken) give_back = taken;
        input -= give_back;
        count -= give_back * 8;
        bits_ = LowBits(bits, count);
        count_ = count;
        const auto consumed = static_cast<uint32_t>(input - context_.read_position);
        context_.read_position += consumed;
        context_.InCount = static_cast<uint16_t>(context_.InCount - consumed);
        context_.BytesLeft -= static_cast<int32_t>(consumed);
        return result;
    }

    TUnZipContext& context_;
    uint8_t* window_;         // the current window, inside the context's Window or the output area
    uint8_t* history_start_;  // the first byte of the area the windows lie in
    uint8_t* area_end_ = nullptr;  // the end of the output area, when the decoding is in one
    uint32_t position_ = 0;   // the next byte of the current window to fill
    uint32_t waiting_ = 0;    // bytes right before the window not yet written (fewer than 16000)
    uint64_t bits_ = 0;       // the decoder's own bit buffer, first bit in bit 0
    uint32_t count_ = 0;
    bool overrun_ = false;    // the decoder asked for more than kInputOverrunLimit bytes past the data
    std::vector<HuffmanEntry> code_length_table_;  // of the current dynamic block
    CodeTables literals_;     // the codes of the current dynamic block
    CodeTables distances_;
};

}  // namespace

void Inflate(TUnZipContext& context) {
    Inflater<DeflateFormat> inflater(context);
    inflater.Run();
}

// Deflate64 entries are rare. Compiled as code that seldom runs, its decoder lies apart from
// deflate's, whose speed depends on where its functions lie beside each other: interleaved
// with Deflate64's, the same instructions ran about 2 % slower. Compiled for size this way,
// Deflate64 decodes at about 0.85 of deflate's speed.
__attribute__((cold)) void Inflate64(TUnZipContext& context) {
    Inflater<Deflate64Format> inflater(context);
    inflater.Run();
}

}  // namespace unzip
