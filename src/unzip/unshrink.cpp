#include "unzip/unshrink.h"

// Shrinking (method 1) is LZW with two twists.
//
// Codes are read least significant bit first. They start 9 bits wide and never widen by
// themselves: the compressor says when, by sending the control code 256 followed by the
// subcode 1. Codes 0 to 255 stand for their own byte; every code from 257 up names a string,
// defined as the string of an earlier code (its prefix) plus one byte (its suffix). After
// each code after the first, the decoder defines one new string: the previous code's string
// followed by the first byte of the string just decoded. It goes into the lowest free code.
//
// The second twist is the partial clear (256 followed by the subcode 2). Instead of starting
// over when the codes run out, the compressor frees every string that no other string
// extends (the leaves of the string tree); the freed codes are then reused from the lowest
// upward, so free and used codes interleave for the rest of the entry.
//
// A code may name the string that is about to be defined by this very step (the previous
// string followed by its own first byte); it is recognised by being free. Strings are built
// on a stack from their last byte back to their first, then written out in one go.
//
// The tables live in the context's Window (see unshrink.h) and the list of codes in use on
// the stack, so decoding allocates nothing.
// A well-formed stream never widens codes beyond 13 bits and never builds a string longer
// than the stack; a stream that does, or whose prefix chains loop, is malformed: decoding
// stops there without the final flush, and the CRC check rejects the entry.

namespace unzip {

namespace {

constexpr int kSubcodeWiden = 1;
constexpr int kSubcodePartialClear = 2;

// Appends bytes to OutBuf, writing it out each time it reaches the flush limit, exactly as
// the same bytes would go through PutByte one at a time.
void AppendOutput(TUnZipContext& context, const uint8_t* data, int count) {
    while (count > 0) {
        const int room = kIoBufferLimit - context.OutCount;
        const int piece = count < room ? count : room;
        if (piece <= 8) {
            // Most strings are a few bytes long: cheaper than a call to memcpy.
            for (int i = 0; i < piece; ++i) context.write_position[i] = data[i];
        } else {
            std::memcpy(context.write_position, data, static_cast<size_t>(piece));
        }
        context.write_position += piece;
        context.OutCount = static_cast<uint16_t>(context.OutCount + piece);
        data += piece;
        count -= piece;
        if (context.OutCount >= kIoBufferLimit) FlushOutput(context);
    }
}

int NextFreeCode(const ShrinkTables& tables, int code) {
    while (code < kShrinkCodeLimit && !tables.IsFree(code)) ++code;
    return code;
}

}  // namespace

void ResetShrinkTables(TUnZipContext& context, ShrinkCodesInUse& in_use) {
    ShrinkTables tables(context.Window);
    for (int code = kShrinkControlCode; code <= kShrinkCodeLimit; ++code) {
        tables.SetPrefix(code, kShrinkFreeCode);
    }
    for (int code = 255; code >= 0; --code) {
        tables.SetPrefix(code, 0);
        tables.SetSuffix(code, static_cast<uint8_t>(code));
    }
    in_use.count = 0;
}

void DefineShrinkCode(TUnZipContext& context, ShrinkCodesInUse& in_use, int code, int prefix, uint8_t suffix) {
    ShrinkTables tables(context.Window);
    tables.SetPrefix(code, static_cast<int16_t>(prefix));
    tables.SetSuffix(code, suffix);
    in_use.codes[in_use.count++] = static_cast<uint16_t>(code);
}

// Every string in use is examined, not only the codes below the lowest free one: after an
// earlier clear, strings in use may sit above a free code, and they keep their prefixes
// alive just the same. A string may also extend a code that an earlier clear freed (the
// previous code of the step that defined it); that code is not in use and stays free.
int PartialClear(TUnZipContext& context, ShrinkCodesInUse& in_use, int first_free) {
    ShrinkTables tables(context.Window);
    // A new mark for each clear saves wiping the marks; they are wiped when the mark wraps.
    if (++in_use.mark == 0) {
        std::memset(in_use.marks, 0, sizeof in_use.marks);
        in_use.mark = 1;
    }
    for (int index = 0; index < in_use.count; ++index) {
        const int prefix = tables.Prefix(in_use.codes[index]);
        if (prefix >= kShrinkFirstStringCode && prefix < kShrinkCodeLimit) in_use.marks[prefix] = in_use.mark;
    }
    int kept = 0;
    for (int index = 0; index < in_use.count; ++index) {
        const int code = in_use.codes[index];
        if (in_use.marks[code] == in_use.mark) {
            in_use.codes[kept++] = static_cast<uint16_t>(code);
            continue;
        }
        tables.SetPrefix(code, kShrinkFreeCode);
        if (code < first_free) first_free = code;
    }
    in_use.count = kept;
    return first_free;
}

void UnShrink(TUnZipContext& context) {
    ShrinkTables tables(context.Window);
    ShrinkCodesInUse in_use;
    ResetShrinkTables(context, in_use);
    int code_size = kShrinkInitialCodeSize;
    int first_free = kShrinkFirstStringCode;

    int code = TakeBits(context, code_size);
    if (context.AtEnd) {
        FlushOutput(context);
        return;
    }
    uint8_t lead_byte = static_cast<uint8_t>(code);
    PutByte(context, lead_byte);
    int previous_code = code;

    uint8_t* const stack = tables.Stack();
    for (;;) {
        code = TakeBits(context, code_size);
        if (context.AtEnd) break;
        while (code == kShrinkControlCode) {
            const int subcode = TakeBits(context, code_size);
            if (subcode == kSubcodeWiden) {
                if (code_size == kShrinkMaximumCodeSize) return;  // malformed: wider than 13 bits
                ++code_size;
            } else if (subcode == kSubcodePartialClear) {
                first_free = PartialClear(context, in_use, first_free);
            }
            code = TakeBits(context, code_size);
            if (context.AtEnd) {
                FlushOutput(context);
                return;
            }
        }
        const int incoming_code = code;

        // Walk the prefix chain down to a literal. Every step pushes one byte, so a chain that
        // loops ends when the stack is full.
        int top = kShrinkStackBytes;
        while (code >= kShrinkFirstStringCode) {
            if (top == 0) return;  // malformed: longer than any string can be
            if (tables.IsFree(code)) {
                stack[--top] = lead_byte;
                code = previous_code;
            } else {
                stack[--top] = tables.Suffix(code);
                code = tables.Prefix(code);
            }
        }
        // Only a chain that starts from a bad first code can end on the control code, whose
        // suffix was never set.
        if (code == kShrinkControlCode || top == 0) return;
        lead_byte = static_cast<uint8_t>(code);
        stack[--top] = lead_byte;
        AppendOutput(context, stack + top, kShrinkStackBytes - top);

        if (first_free < kShrinkCodeLimit) {
            DefineShrinkCode(context, in_use, first_free, previous_code, lead_byte);
            first_free = NextFreeCode(tables, first_free + 1);
        }
        previous_code = incoming_code;
    }
    FlushOutput(context);
}

}  // namespace unzip
