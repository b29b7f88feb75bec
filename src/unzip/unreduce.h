#pragma once
// The follower sets of the reduce decoder (methods 2 to 5). The decoder itself, UnReduce, is
// declared with the other decoders in unzip_context.h.

#include <cstdint>

#include "unzip/unzip_context.h"

namespace unzip {

// Layout in Window: the 16384-byte output window, then 256 follower sets of up to 64 bytes
// each, set X at offset 64 * X.
constexpr int kReduceWindowBytes = 16384;
constexpr int kFollowerSetsOffset = kReduceWindowBytes;
constexpr int kFollowerSetBytes = 64;
static_assert(kFollowerSetsOffset + 256 * kFollowerSetBytes <= kWindowBytes,
              "the follower sets must fit the decoding window");

// The escape byte that introduces a repeat (or, followed by 0, stands for itself).
constexpr uint8_t kReduceEscape = 0x90;

// Reads the 256 follower sets from the shared bit buffer, set 255 first: a 6-bit size, then
// that many bytes of 8 bits. The sizes go to set_sizes; the bytes to Window, where the
// unused tail of every set is zeroed so that an out-of-range index reads a defined byte.
void LoadFollowerSets(TUnZipContext& context, uint8_t set_sizes[256]);

// Number of bits of a follower index for a set of size bytes (1 to 63): the bits needed to
// write size - 1, at least 1.
int FollowerIndexWidth(int size);

}  // namespace unzip
