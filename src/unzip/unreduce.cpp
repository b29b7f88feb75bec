#include "unzip/unreduce.h"

#include <cstring>

// Reducing (methods 2 to 5) works in two stages, and the decoder undoes them in turn.
//
// The outer stage is a probabilistic byte coder. Each byte value X has a follower set: up to
// 63 bytes that often come right after X. The sets are sent first, set 255 first, each as a
// 6-bit size and that many 8-bit bytes. Then every byte is coded in the context of the byte
// read before it: if that byte's set is empty the byte comes as 8 plain bits; otherwise a
// 1 bit announces 8 plain bits and a 0 bit an index into the set, just wide enough for the
// set's size.
//
// The inner stage is a simple repeat coder over the bytes the outer stage yields. The byte
// 144 (DLE) is an escape: 144 followed by 0 is the byte 144 itself; 144 followed by V
// starts a repeat. The low bits of V give the length (with all of them set, one more byte is
// added to it); the high bits of V and one further byte give the distance back, at most
// 4096 bytes. The compression factor (method - 1) decides how V is split: factor 1 gives 7
// bits to the length, factor 4 only 4, leaving more for the distance.
//
// Output passes through the first 16384 bytes of Window, which leave for the output file
// each time they fill. A repeat may reach back past the entry's first byte; those bytes read
// as zeros until the window has been flushed once. Decoding is driven by the output count:
// it stops when the entry's size has been produced, whatever input is left, and reads zero
// bits past the end of the data.

namespace unzip {

namespace {

struct ReduceParameters {
    int length_mask;
    int distance_shift;
    int distance_mask;
};

// Indexed by compression factor 1 to 4.
constexpr ReduceParameters kReduceParameters[5] = {
    {0, 0, 0}, {127, 7, 1}, {63, 6, 3}, {31, 5, 7}, {15, 4, 15}};

enum class ExpandState { Plain, Escaped, LongLength, Distance };

// The output side of the decoder: the window position, the bytes still due and whether the
// window has been flushed yet.
class ReduceOutput {
public:
    explicit ReduceOutput(TUnZipContext& context)
        : context_(context), window_(context.Window), remaining_(context.EntrySize) {}

    bool Done() const { return remaining_ <= 0; }

    void Put(uint8_t value) {
        --remaining_;
        window_[position_] = value;
        if (++position_ == kReduceWindowBytes) WrapWindow();
    }

    // Copies count bytes from distance back, in pieces that stop at the window's end.
    void Repeat(int distance, int count) {
        remaining_ -= count;
        uint32_t source = static_cast<uint32_t>(position_ - distance);
        while (count > 0) {
            source &= kReduceWindowBytes - 1;
            const int higher = static_cast<int>(source) > position_ ? static_cast<int>(source)
                                                                    : position_;
            int piece = kReduceWindowBytes - higher;
            if (piece > count) piece = count;
            count -= piece;
            uint8_t* target = window_ + position_;
            const uint8_t* from = window_ + source;
            if (fresh_ && static_cast<int>(source) >= position_) {
                std::memset(target, 0, static_cast<size_t>(piece));
            } else if (static_cast<int>(source) > position_ ||
                       position_ - static_cast<int>(source) >= piece) {
                // The source lies wholly ahead or wholly behind: a block move gives the same
                // bytes as copying one at a time.
                std::memmove(target, from, static_cast<size_t>(piece));
            } else {
                // Overlapping from behind: each copied byte may be the source of a later one.
                for (int i = 0; i < piece; ++i) target[i] = from[i];
            }
            position_ += piece;
            source += static_cast<uint32_t>(piece);
            if (position_ == kReduceWindowBytes) WrapWindow();
        }
    }

    void Finish() {
        FlushWindow(context_, static_cast<uint32_t>(position_));
        FlushOutput(context_);
    }

private:
    void WrapWindow() {
        FlushWindow(context_, kReduceWindowBytes);
        position_ = 0;
        fresh_ = false;
    }

    TUnZipContext& context_;
    uint8_t* window_;
    int64_t remaining_;
    int position_ = 0;
    bool fresh_ = true;
};

}  // namespace

int FollowerIndexWidth(int size) {
    int width = 1;
    while ((1 << width) < size) ++width;
    return width;
}

void LoadFollowerSets(TUnZipContext& context, uint8_t set_sizes[256]) {
    uint8_t* const sets = context.Window + kFollowerSetsOffset;
    std::memset(sets, 0, 256 * kFollowerSetBytes);
    for (int set = 255; set >= 0; --set) {
        const int size = ReadBits(context, 6);
        set_sizes[set] = static_cast<uint8_t>(size);
        uint8_t* const members = sets + set * kFollowerSetBytes;
        for (int i = 0; i < size; ++i) members[i] = static_cast<uint8_t>(ReadBits(context, 8));
    }
}

void UnReduce(TUnZipContext& context, int factor) {
    if (factor < 1 || factor > 4) return;  // no such method; the CRC check rejects the entry
    const ReduceParameters parameters = kReduceParameters[factor];

    uint8_t set_sizes[256];
    LoadFollowerSets(context, set_sizes);
    uint8_t index_widths[256];
    for (int set = 0; set < 256; ++set) {
        index_widths[set] = static_cast<uint8_t>(set_sizes[set] ? FollowerIndexWidth(set_sizes[set]) : 0);
    }
    const uint8_t* const sets = context.Window + kFollowerSetsOffset;

    ReduceOutput output(context);
    ExpandState state = ExpandState::Plain;
    int previous = 0;
    int value = 0;   // the byte V after the escape
    int length = 0;
    while (!output.Done()) {
        // Damaged data: stop unflushed, and the CRC check rejects the entry.
        if (InputOverrun(context)) return;
        int byte;
        if (set_sizes[previous] == 0 || TakeBits(context, 1) == 1) {
            byte = TakeBits(context, 8);
        } else {
            const int index = TakeBits(context, index_widths[previous]);
            byte = sets[previous * kFollowerSetBytes + index];
        }

        switch (state) {
        case ExpandState::Plain:
            if (byte == kReduceEscape) {
                state = ExpandState::Escaped;
            } else {
                output.Put(static_cast<uint8_t>(byte));
            }
            break;
        case ExpandState::Escaped:
            if (byte == 0) {
                output.Put(kReduceEscape);
                state = ExpandState::Plain;
                break;
            }
            value = byte;
            length = value & parameters.length_mask;
            state = length == parameters.length_mask ? ExpandState::LongLength : ExpandState::Distance;
            break;
        case ExpandState::LongLength:
            length += byte;
            state = ExpandState::Distance;
            break;
        case ExpandState::Distance: {
            const int distance =
                (((value >> parameters.distance_shift) & parameters.distance_mask) << 8) + byte + 1;
            output.Repeat(distance, length + 3);
            state = ExpandState::Plain;
            break;
        }
        }
        previous = byte;
    }
    output.Finish();
}

}  // namespace unzip
