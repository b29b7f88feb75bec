#pragma once
// The stream message table: a custom resource of type "S_StringTable" compiled into the
// program. Each entry is a 16-bit little-endian id, a length byte and that many bytes of
// text; an entry with id 0 ends the table.

#include <cstdint>
#include <optional>
#include <string>

#include "zip/object_list.h"

namespace zip {

// One loaded table. Load finds the resource in the program's own module; Lock gives access
// to its bytes until Unlock.
class TStringResource : public TObject {
public:
    std::string ClassName() const override { return "TStringResource"; }

    // Loads table name; Exception "No such string resource: %s" when the program has none.
    virtual void Load(const std::string& name);
    // Unlocks and forgets the loaded bytes.
    virtual void Release();
    // EOutOfResources "Cannot lock string resource" when nothing is loaded.
    virtual void Lock();
    virtual void Unlock();
    // The entry with this id, scanning from the first until the id-0 entry; nullopt when the
    // table has none (also for a table cut short).
    virtual std::optional<std::string> FindEntry(int16_t id) const;
    // The offset of the entry after the one at offset: offset + 3 + its length.
    static size_t NextEntry(const std::string& table, size_t offset);

private:
    std::optional<std::string> resource_;
    const std::string* locked_ = nullptr;
};

// The text of entry id of the named table, empty when the table has no such entry. The
// first request for a table loads it; tables stay loaded until the program ends.
std::string MessageText(const std::string& table_name, int id);

// The resource type of message tables.
inline constexpr char kStringTableType[] = "S_StringTable";

}  // namespace zip
