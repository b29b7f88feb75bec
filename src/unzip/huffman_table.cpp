// BuildHuffmanTable and its single-block storage of the tables.

#include "unzip/huffman_table.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/dialogs.h"
#include "platform/platform.h"
#include "unzip/huffman_build.h"

namespace unzip {
namespace {

// Tables as HuffmanEntry records in a vector, first-level table at index 0.
class EntryTables {
public:
    explicit EntryTables(std::vector<HuffmanEntry>& entries) : entries_(entries) {}
    uint32_t Open(uint32_t size) {
        const auto start = static_cast<uint32_t>(entries_.size());
        entries_.resize(entries_.size() + size);
        return start;
    }
    void Set(uint32_t index, const HuffmanEntry& entry) { entries_[index] = entry; }
    void Fill(uint32_t start, uint32_t first, uint32_t step, uint32_t size, const HuffmanEntry& entry) {
        for (uint32_t slot = first; slot < size; slot += step) entries_[start + slot] = entry;
    }

private:
    std::vector<HuffmanEntry>& entries_;
};

}  // namespace

void ReportOutOfMemoryOfTables() {
    platform::UserDialogs().ShowMessage("*** inflate out of memory ***", platform::MessageKind::Custom,
                                        platform::buttons::kOk, platform::DialogResult::Ok, "Error");
}

int BuildHuffmanEntries(const uint16_t* lengths, int n, int s, const uint16_t* bases, const uint16_t* extras,
                        std::vector<HuffmanEntry>& entries, uint16_t& width) {
    entries.clear();
    if (n < 0 || n > kHuffmanMaxSymbols) return kHuffmanOverSubscribed;
    EntryTables tables(entries);
    const int result = BuildHuffmanCode(lengths, n, s, bases, extras, tables, width);
    if (result == kHuffmanOverSubscribed) entries.clear();
    return result;
}

int BuildHuffmanTable(const uint16_t* lengths, int n, int s, const uint16_t* bases,
                      const uint16_t* extras, HuffmanEntry*& table, uint16_t& width) {
    table = nullptr;
    try {
        std::vector<HuffmanEntry> entries;
        const int result = BuildHuffmanEntries(lengths, n, s, bases, extras, entries, width);
        if (entries.empty()) return result;
        // One block for every table of the build, with a header slot in front of the
        // first-level table that holds the block's size.
        HuffmanEntry* block = new HuffmanEntry[entries.size() + 1];
        block[0].Value = static_cast<uint32_t>(entries.size() + 1);
        std::memcpy(block + 1, entries.data(), entries.size() * sizeof(HuffmanEntry));
        table = block + 1;
        return result;
    } catch (const std::bad_alloc&) {
        ReportOutOfMemoryOfTables();
        return kHuffmanOutOfMemory;
    }
}

uint32_t HuffmanTableSize(const HuffmanEntry* table) {
    // The header slot in front of the first-level table holds the size of the whole block.
    return table == nullptr ? 0 : (table - 1)->Value - 1;
}

void FreeHuffmanTable(HuffmanEntry*& table) {
    if (table == nullptr) return;
    delete[] (table - 1);
    table = nullptr;
}

}  // namespace unzip
