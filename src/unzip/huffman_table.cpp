#include "unzip/huffman_table.h"

namespace unzip {

int BuildHuffmanTable(const uint16_t*, int, int, const uint16_t*, const uint16_t*,
                      HuffmanEntry*& table, uint16_t& width) {
    table = nullptr;
    width = 0;
    return kHuffmanOk;
}

void FreeHuffmanTable(HuffmanEntry*& table) {
    table = nullptr;
}

}  // namespace unzip
