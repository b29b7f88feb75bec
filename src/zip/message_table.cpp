#include "zip/message_table.h"

#include <map>
#include <memory>

#include "platform/platform.h"
#include "platform/system.h"
#include "zip/stream_messages.h"
#include "zip/zip_errors.h"
#include "zip/zip_lib.h"

namespace zip {

void TStringResource::Load(const std::string& name) {
    Release();
    EnsureStreamMessagesAvailable();
    std::optional<std::string> bytes = platform::Machine().ProgramResource(AsciiUpper(name), AsciiUpper(kStringTableType));
    if (!bytes) {
        throw Exception("No such string resource: " + name);
    }
    resource_ = std::move(bytes);
}

void TStringResource::Release() {
    Unlock();
    resource_.reset();
}

void TStringResource::Lock() {
    if (!resource_) throw EOutOfResources("Cannot lock string resource");
    locked_ = &*resource_;
}

void TStringResource::Unlock() { locked_ = nullptr; }

size_t TStringResource::NextEntry(const std::string& table, size_t offset) {
    if (offset + 3 > table.size()) return table.size();
    return offset + 3 + static_cast<uint8_t>(table[offset + 2]);
}

std::optional<std::string> TStringResource::FindEntry(int16_t id) const {
    if (locked_ == nullptr) return std::nullopt;
    const std::string& table = *locked_;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(table.data());
    for (size_t offset = 0; offset + 3 <= table.size(); offset = NextEntry(table, offset)) {
        const int16_t entry_id = static_cast<int16_t>(ReadLe16(bytes, offset));
        if (entry_id == 0) return std::nullopt;
        if (entry_id != id) continue;
        const size_t length = bytes[offset + 2];
        if (offset + 3 + length > table.size()) return std::nullopt;
        return table.substr(offset + 3, length);
    }
    return std::nullopt;
}

std::string MessageText(const std::string& table_name, int id) {
    // Tables by upper-cased name; loaded on first use and kept until the program ends.
    static std::map<std::string, std::unique_ptr<TStringResource>> tables;
    const std::string key = AsciiUpper(table_name);
    auto found = tables.find(key);
    if (found == tables.end()) {
        auto table = std::make_unique<TStringResource>();
        table->Load(table_name);
        found = tables.emplace(key, std::move(table)).first;
    }
    TStringResource& table = *found->second;
    table.Lock();
    std::optional<std::string> text;
    try {
        text = table.FindEntry(static_cast<int16_t>(id));
    } catch (...) {
        table.Unlock();
        throw;
    }
    table.Unlock();
    return text.value_or(std::string());
}

}  // namespace zip
