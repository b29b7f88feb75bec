#include "unzip/explode.h"

#include <cstring>
#include <new>
#include <vector>

// Imploding (method 6) is a sliding-dictionary coder whose symbols are sent with
// Shannon-Fano codes.
//
// The entry starts with the code trees, byte-aligned: the literal tree (only in the
// three-tree variant, 256 symbols), then the length tree and the distance tree (64 symbols
// each). A tree is sent as run-length coded bit lengths: a count byte B, then B + 1 bytes
// whose high nibble + 1 repeats the low nibble + 1 as the next symbols' lengths. The codes
// themselves follow from the lengths as in a canonical code, but every bit is inverted, so
// each lookup indexes the tables with the complement of the next input bits.
//
// The data that follows is a bit stream read least significant bit first. A 1 bit
// introduces a literal byte: 8 raw bits in the two-tree variant, a literal-tree code in the
// three-tree one. A 0 bit introduces a match: the low 6 (4096-byte dictionary) or 7
// (8192-byte) bits of the distance come raw, the high bits as a distance code, then the
// length as a length code; length code 63 adds one more raw byte to its base. Lengths start
// at 2 without the literal tree and at 3 with it.
//
// Bits 1 and 2 of the entry's bit flag choose the dictionary size and the tree count; the
// four combinations share one loop per tree count. Nothing in the stream marks its end:
// decoding stops when the entry's uncompressed size has been produced. A match may reach
// back past the entry's first byte; those bytes read as zeros until the 32768-byte window
// has been flushed once.

namespace unzip {

namespace {

constexpr uint32_t kWindowSize = 32768;
constexpr int kLiteralSymbols = 256;
constexpr int kLengthDistanceSymbols = 64;
constexpr int kLiteralTableWidth = 9;
constexpr int kLengthTableWidth = 7;
constexpr int kNarrowDistanceWidth = 7;
constexpr int kWideDistanceWidth = 8;
constexpr uint16_t kFlagLargeDictionary = 0x0002;
constexpr uint16_t kFlagLiteralTree = 0x0004;
constexpr int kLookupFailed = 1;

struct TreeLists {
    uint16_t length_bases_with_literals[kLengthDistanceSymbols];
    uint16_t length_bases_without_literals[kLengthDistanceSymbols];
    uint16_t distance_bases_4k[kLengthDistanceSymbols];
    uint16_t distance_bases_8k[kLengthDistanceSymbols];
    uint16_t extra_bits[kLengthDistanceSymbols];  // only code 63 carries a further byte
};

constexpr TreeLists MakeTreeLists() {
    TreeLists lists{};
    for (int code = 0; code < kLengthDistanceSymbols; ++code) {
        lists.length_bases_with_literals[code] = static_cast<uint16_t>(3 + code);
        lists.length_bases_without_literals[code] = static_cast<uint16_t>(2 + code);
        lists.distance_bases_4k[code] = static_cast<uint16_t>(1 + 64 * code);
        lists.distance_bases_8k[code] = static_cast<uint16_t>(1 + 128 * code);
        lists.extra_bits[code] = code == kLengthDistanceSymbols - 1 ? 8 : 0;
    }
    return lists;
}

constexpr TreeLists kTreeLists = MakeTreeLists();

// EnsureBits, taking bytes that already wait in InBuf without a call. They are accounted
// exactly as ReadByte accounts them; refills and the end of the data go through EnsureBits.
inline void Need(ExplodeState& state, int n) {
    TUnZipContext& context = state.context;
    while (state.count < n && context.BytesLeft > 0 && context.InCount > 0) {
        --context.BytesLeft;
        --context.InCount;
        state.bits |= static_cast<uint32_t>(*context.read_position++) << state.count;
        state.count = static_cast<uint16_t>(state.count + 8);
    }
    if (state.count < n) EnsureBits(context, n, state.bits, state.count);
}

// DropBits, written out so that it costs no call.
inline void Drop(ExplodeState& state, int n) {
    state.bits >>= n;
    state.count = static_cast<uint16_t>(state.count - n);
}

// Looks up the next code in table with the complemented input bits, following sub-tables,
// and consumes its bits. Returns nullptr on an invalid code.
inline const HuffmanEntry* Decode(ExplodeState& state, const HuffmanEntry* table, int width) {
    Need(state, width);
    const HuffmanEntry* entry = &table[~state.bits & ((1u << width) - 1u)];
    while (entry->Op > kOpLiteral) {
        if (entry->Op == kOpInvalid) return nullptr;
        Drop(state, entry->Bits);
        Need(state, entry->Op - kOpLinkBase);
        entry = &FollowLink(table, *entry, ~state.bits);
    }
    Drop(state, entry->Bits);
    return entry;
}

void WrapWindow(ExplodeState& state) {
    FlushWindow(state.context, kWindowSize);
    state.position = 0;
    state.fresh = false;
}

void PutLiteral(ExplodeState& state, uint8_t value) {
    --state.remaining;
    state.context.Window[state.position] = value;
    if (++state.position == kWindowSize) WrapWindow(state);
}

// Copies length bytes from distance back (source already reduced to a window position
// modulo 2^16), in pieces that stop at the window's end.
void CopyMatch(ExplodeState& state, uint32_t source, uint32_t length) {
    uint8_t* const window = state.context.Window;
    while (length > 0) {
        source &= kWindowSize - 1;
        const uint32_t higher = source > state.position ? source : state.position;
        uint32_t piece = kWindowSize - higher;
        if (piece > length) piece = length;
        length -= piece;
        uint8_t* target = window + state.position;
        const uint8_t* from = window + source;
        if (state.fresh && source >= state.position) {
            std::memset(target, 0, piece);
        } else if (source > state.position || state.position - source >= piece) {
            // Wholly ahead or wholly behind: a block move gives the bytes a one-by-one copy would.
            std::memmove(target, from, piece);
        } else {
            // Overlapping from behind: the copy repeats the bytes it has just written.
            for (uint32_t i = 0; i < piece; ++i) target[i] = from[i];
        }
        state.position += piece;
        source += piece;
        if (state.position == kWindowSize) WrapWindow(state);
    }
}

// A match: raw low distance bits, the distance code, the length code and, for length code
// 63, one more raw byte.
int DecodeMatch(ExplodeState& state, const HuffmanEntry* length_table,
                const HuffmanEntry* distance_table, int length_width, int distance_width) {
    const int low_bits = state.dictionary_size == 8192 ? 7 : 6;
    Need(state, low_bits);
    uint32_t distance = state.bits & ((1u << low_bits) - 1u);
    Drop(state, low_bits);

    const HuffmanEntry* entry = Decode(state, distance_table, distance_width);
    if (entry == nullptr) return kLookupFailed;
    const uint32_t source = (state.position - distance - entry->Value) & 0xFFFF;

    entry = Decode(state, length_table, length_width);
    if (entry == nullptr) return kLookupFailed;
    uint32_t length = entry->Value & 0xFFFF;
    if (entry->Op != 0) {
        Need(state, 8);
        length += state.bits & 0xFF;
        Drop(state, 8);
    }
    state.remaining -= length;
    CopyMatch(state, source, length);
    return 0;
}

// The tables of one entry, released on every way out of Explode.
struct ExplodeTables {
    std::vector<HuffmanEntry> literal;
    std::vector<HuffmanEntry> length;
    std::vector<HuffmanEntry> distance;
};

// Reads one tree and builds its table; false when the description or the code is bad, or
// the table cannot be allocated (after the out-of-memory message).
bool ReadTree(TUnZipContext& context, int symbol_count, int simple_symbols,
              const uint16_t* bases, std::vector<HuffmanEntry>& table, uint16_t& width) {
    uint16_t lengths[kLiteralSymbols];
    if (ReadTreeLengths(context, lengths, symbol_count) != kTreeLengthsOk) return false;
    const uint16_t* extras = bases == nullptr ? nullptr : kTreeLists.extra_bits;
    try {
        return BuildHuffmanEntries(lengths, symbol_count, simple_symbols, bases, extras, table, width) ==
                   kHuffmanOk &&
               !table.empty();
    } catch (const std::bad_alloc&) {
        ReportOutOfMemoryOfTables();
        return false;
    }
}

}  // namespace

int ReadTreeLengths(TUnZipContext& context, uint16_t* lengths, int symbol_count) {
    uint8_t value = 0;
    ReadByte(context, value);
    const int pairs = value + 1;
    int filled = 0;
    for (int i = 0; i < pairs; ++i) {
        value = 0;
        ReadByte(context, value);
        const int repeat = (value >> 4) + 1;
        const uint16_t length = static_cast<uint16_t>((value & 0x0F) + 1);
        if (filled + repeat > symbol_count) return kTreeLengthsBad;
        for (int k = 0; k < repeat; ++k) lengths[filled++] = length;
    }
    return filled == symbol_count ? kTreeLengthsOk : kTreeLengthsBad;
}

int ExplodeWithLiterals(ExplodeState& state, const HuffmanEntry* literal_table,
                        const HuffmanEntry* length_table, const HuffmanEntry* distance_table,
                        int literal_width, int length_width, int distance_width) {
    while (state.remaining > 0) {
        if (InputOverrun(state.context)) return kLookupFailed;
        Need(state, 1);
        const bool literal = (state.bits & 1u) != 0;
        Drop(state, 1);
        if (literal) {
            const HuffmanEntry* entry = Decode(state, literal_table, literal_width);
            if (entry == nullptr) return kLookupFailed;
            PutLiteral(state, static_cast<uint8_t>(entry->Value));
            continue;
        }
        if (DecodeMatch(state, length_table, distance_table, length_width, distance_width) != 0) {
            return kLookupFailed;
        }
    }
    FlushWindow(state.context, state.position);
    return 0;
}

int ExplodeWithoutLiterals(ExplodeState& state, const HuffmanEntry* length_table,
                           const HuffmanEntry* distance_table, int length_width,
                           int distance_width) {
    while (state.remaining > 0) {
        if (InputOverrun(state.context)) return kLookupFailed;
        Need(state, 1);
        const bool literal = (state.bits & 1u) != 0;
        Drop(state, 1);
        if (literal) {
            Need(state, 8);
            const uint8_t value = static_cast<uint8_t>(state.bits);
            Drop(state, 8);
            PutLiteral(state, value);
            continue;
        }
        if (DecodeMatch(state, length_table, distance_table, length_width, distance_width) != 0) {
            return kLookupFailed;
        }
    }
    FlushWindow(state.context, state.position);
    return 0;
}

void Explode(TUnZipContext& context) {
    const uint16_t flags = context.CurrentEntry.BitFlag;
    const bool large_dictionary = (flags & kFlagLargeDictionary) != 0;
    const bool literal_tree = (flags & kFlagLiteralTree) != 0;

    uint16_t literal_width = kLiteralTableWidth;
    uint16_t length_width = kLengthTableWidth;
    uint16_t distance_width = context.BytesLeft > kWideDistanceTableThreshold ? kWideDistanceWidth
                                                                               : kNarrowDistanceWidth;
    const uint16_t* length_bases = literal_tree ? kTreeLists.length_bases_with_literals
                                                : kTreeLists.length_bases_without_literals;
    const uint16_t* distance_bases =
        large_dictionary ? kTreeLists.distance_bases_8k : kTreeLists.distance_bases_4k;

    // A bad tree ends the entry before anything is written, not even a final flush.
    ExplodeTables tables;
    if (literal_tree &&
        !ReadTree(context, kLiteralSymbols, kLiteralSymbols, nullptr, tables.literal, literal_width)) {
        return;
    }
    if (!ReadTree(context, kLengthDistanceSymbols, 0, length_bases, tables.length, length_width)) return;
    if (!ReadTree(context, kLengthDistanceSymbols, 0, distance_bases, tables.distance,
                  distance_width)) {
        return;
    }

    ExplodeState state{context, large_dictionary ? 8192 : 4096};
    state.remaining = context.EntrySize;
    // An invalid code stops the loop with the window unflushed; what earlier window flushes
    // put into OutBuf is still written, and the CRC check rejects the entry.
    if (literal_tree) {
        ExplodeWithLiterals(state, tables.literal.data(), tables.length.data(), tables.distance.data(), literal_width,
                            length_width, distance_width);
    } else {
        ExplodeWithoutLiterals(state, tables.length.data(), tables.distance.data(), length_width, distance_width);
    }
    FlushOutput(context);
}

}  // namespace unzip
