#include "engine/journal_format.h"

#include <algorithm>

#include "unzip/crc32.h"

namespace engine {

namespace {

constexpr char kVersion1[] = "VIrovARI2 install journal 1";
constexpr char kVersion2[] = "VIrovARI2 install journal 2";
constexpr char kVersion3[] = "VIrovARI2 install journal 3";
constexpr char kLineEnd[] = "\r\n";

uint32_t Crc32(const std::string& text) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const char character : text) crc = unzip::Crc32Step(crc, static_cast<uint8_t>(character));
    return ~crc;
}

std::string Hex8(uint32_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int index = 7; index >= 0; --index, value >>= 4) text[static_cast<size_t>(index)] = kDigits[value & 0xF];
    return text;
}

int HexDigit(char character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    return -1;
}

// Control bytes, tabs and line ends among them, and the escape character itself become '%'
// and two hexadecimal digits.
std::string Escape(const std::string& text) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte >= 0x20 && byte != 0x7F && byte != '%') {
            escaped += character;
            continue;
        }
        escaped += '%';
        escaped += kDigits[byte >> 4];
        escaped += kDigits[byte & 0xF];
    }
    return escaped;
}

// False for a text Escape cannot have written.
bool Unescape(const std::string& text, std::string& plain) {
    plain.clear();
    for (size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '%') {
            plain += text[index];
            continue;
        }
        if (index + 2 >= text.size()) return false;
        const int high = HexDigit(text[index + 1]);
        const int low = HexDigit(text[index + 2]);
        if (high < 0 || low < 0) return false;
        plain += static_cast<char>(high * 16 + low);
        index += 2;
    }
    return true;
}

bool ReadNumber(const std::string& text, uint64_t& value, uint64_t limit) {
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = 0;
    for (const char digit : text) {
        const uint64_t next = value * 10 + static_cast<uint64_t>(digit - '0');
        if (value > limit / 10 || next > limit) return false;
        value = next;
    }
    return true;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

std::string Checked(const std::string& body) { return body + "\t" + Hex8(Crc32(body)) + kLineEnd; }

// The body of a line whose checksum holds; false otherwise.
bool BodyOf(const std::string& line, std::string& body) {
    const size_t tab = line.rfind('\t');
    if (tab == std::string::npos || line.size() - tab != 9) return false;
    body = line.substr(0, tab);
    return Hex8(Crc32(body)) == line.substr(tab + 1);
}

std::string Join(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t index = 0; index < fields.size(); ++index) line += (index == 0 ? "" : "\t") + fields[index];
    return line;
}

JournalRecord* InForce(JournalContents& contents, uint32_t number) {
    for (JournalRecord& record : contents.records) {
        if (record.number == number) return &record;
    }
    return nullptr;
}

void Forget(JournalContents& contents, const JournalRecord* record) {
    contents.records.erase(contents.records.begin() + (record - contents.records.data()));
}

// The fields of a change record after its letter, unescaped into record; false when they
// cannot be what the program wrote.
bool ReadChange(const std::vector<std::string>& fields, bool escaped, JournalRecord& record) {
    const std::string& kind = fields[0];
    std::vector<std::string> plain(fields.size());
    for (size_t index = 1; index < fields.size(); ++index) {
        if (!escaped) {
            plain[index] = fields[index];
        } else if (!Unescape(fields[index], plain[index])) {
            return false;
        }
    }
    uint64_t number = 0;
    uint64_t time = 0;
    if (kind == "D" || kind == "T" || kind == "K") {
        record.kind = kind == "D" ? RecordKind::DirectoryCreated
                      : kind == "T" ? RecordKind::WorkDirectoryCreated
                                    : RecordKind::ClassesRootKeyCreated;
        record.path = plain.size() == 2 ? plain[1] : std::string();
        return plain.size() == 2 && !record.path.empty();
    }
    if (kind == "F") {
        record.kind = RecordKind::FileCreated;
        if (plain.size() != 2 && plain.size() != 4) return false;
        record.path = plain[1];
        if (plain.size() == 4) {
            if (!ReadNumber(plain[2], number, INT64_MAX) || !ReadNumber(plain[3], time, UINT64_MAX)) return false;
            record.stamp = FileStamp{static_cast<int64_t>(number), time};
        }
        return !record.path.empty();
    }
    if (kind == "R" || kind == "W") {
        record.kind = kind == "R" ? RecordKind::FileMovedAside : RecordKind::FileCopiedAside;
        if (plain.size() != 4 || !ReadNumber(plain[3], number, UINT32_MAX)) return false;
        record.path = plain[1];
        record.other = plain[2];
        record.attributes = static_cast<uint32_t>(number);
        return !record.path.empty() && !record.other.empty();
    }
    if (kind == "N") {
        record.kind = RecordKind::KeptForRestart;
        if (plain.size() != 3) return false;
        record.path = plain[1];
        record.other = plain[2];
        return !record.path.empty() && !record.other.empty();
    }
    if (kind == "V") {
        record.kind = RecordKind::ClassesRootValueSet;
        if (plain.size() != 2 && plain.size() != 4) return false;
        record.path = plain[1];
        if (plain.size() == 4) {
            platform::RegistryValue value;
            if (!ReadNumber(plain[2], number, UINT32_MAX)) return false;
            value.type = static_cast<uint32_t>(number);
            value.data = plain[3];
            record.old_value = value;
        }
        return !record.path.empty();
    }
    return false;
}

// One record of the present format; false, with reason, when it cannot stand where it does.
bool ApplyRecord(const std::string& body, JournalContents& contents, std::string& reason) {
    const std::vector<std::string> fields = SplitFields(body);
    const std::string& kind = fields[0];
    uint64_t number = 0;
    if (kind == "H") {
        JournalHeader header;
        if (contents.header || fields.size() < 3 || !Unescape(fields[1], header.destination) ||
            !Unescape(fields[2], header.token) || header.destination.empty() || header.token.empty()) {
            reason = "a run's header that is not the first record";
            return false;
        }
        for (size_t index = 3; index < fields.size(); ++index) {
            std::string folder;
            if (!Unescape(fields[index], folder) || folder.empty()) {
                reason = "a folder of the run that cannot be read";
                return false;
            }
            header.folders.push_back(folder);
        }
        contents.header = header;
        return true;
    }
    if (!contents.header) {
        reason = "a record before the run's header";
        return false;
    }
    if (kind == "C" && fields.size() == 1 && !contents.complete) {
        contents.complete = true;
        return true;
    }
    if ((kind == "X" || kind == "U") && fields.size() == 2 && ReadNumber(fields[1], number, UINT32_MAX)) {
        JournalRecord* record = InForce(contents, static_cast<uint32_t>(number));
        if (record == nullptr) {
            reason = "a record that refers to no change in force";
            return false;
        }
        if (kind == "X") Forget(contents, record);
        else record->undo_failed = true;
        return true;
    }
    if (contents.complete) {
        reason = "a change recorded after the run's end";
        return false;
    }
    if (kind == "S" && fields.size() == 4 && ReadNumber(fields[1], number, UINT32_MAX)) {
        JournalRecord* record = InForce(contents, static_cast<uint32_t>(number));
        uint64_t size = 0;
        uint64_t time = 0;
        if (record == nullptr || record->kind != RecordKind::FileCreated || !ReadNumber(fields[2], size, INT64_MAX) ||
            !ReadNumber(fields[3], time, UINT64_MAX)) {
            reason = "a file's size and time that refer to no file created";
            return false;
        }
        record->stamp = FileStamp{static_cast<int64_t>(size), time};
        return true;
    }
    if (kind == "I" && contents.version >= 3 && fields.size() == 3 && ReadNumber(fields[1], number, UINT32_MAX)) {
        JournalRecord* record = InForce(contents, static_cast<uint32_t>(number));
        std::string identity;
        if (record == nullptr || record->kind != RecordKind::WorkDirectoryCreated || !record->identity ||
            !record->identity->empty() || !Unescape(fields[2], identity) || identity.empty()) {
            reason = "a directory's identity that refers to no extraction directory";
            return false;
        }
        record->identity = identity;
        return true;
    }
    JournalRecord record;
    if (!ReadChange(fields, true, record)) {
        reason = "a record that cannot be read";
        return false;
    }
    if (record.kind == RecordKind::WorkDirectoryCreated && contents.version >= 3) record.identity = std::string();
    record.number = contents.next_number++;
    contents.records.push_back(record);
    return true;
}

// The newest record in force not marked U; with a path, the newest such D or F record of it.
JournalRecord* NewestInForce(JournalContents& contents, const std::string& path) {
    for (auto it = contents.records.rbegin(); it != contents.records.rend(); ++it) {
        if (it->undo_failed) continue;
        if (path.empty()) return &*it;
        const bool created = it->kind == RecordKind::FileCreated || it->kind == RecordKind::DirectoryCreated;
        if (created && it->path == path) return &*it;
    }
    return nullptr;
}

// The first format, by its own rules.
JournalReading ReadFirstFormat(const std::string& text, JournalContents& contents, std::string& reason) {
    contents.version = 1;
    reason = "a record of the earlier format that cannot be read";
    size_t start = std::string(kVersion1).size() + 2;
    for (size_t end = text.find(kLineEnd, start); end != std::string::npos; end = text.find(kLineEnd, start)) {
        const std::vector<std::string> fields = SplitFields(text.substr(start, end - start));
        start = end + 2;
        const std::string& kind = fields[0];
        if (contents.complete) return JournalReading::Unreadable;  // nothing is recorded after the end
        if (kind == "C" && fields.size() == 1) {
            contents.complete = true;
        } else if ((kind == "X" || kind == "U") &&
                   (fields.size() == 1 || (kind == "X" && fields.size() == 2 && !fields[1].empty()))) {
            JournalRecord* newest = NewestInForce(contents, fields.size() == 2 ? fields[1] : std::string());
            if (newest == nullptr) return JournalReading::Unreadable;
            if (kind == "U") newest->undo_failed = true;
            else Forget(contents, newest);
        } else {
            JournalRecord record;
            const bool registry = kind == "K" || kind == "V";
            if (kind == "W" || kind == "N" || kind == "H" || kind == "S" || !ReadChange(fields, registry, record) ||
                (kind == "F" && record.stamp)) {
                return JournalReading::Unreadable;
            }
            // A file set aside came back over whatever stood at its place.
            if (record.kind == RecordKind::FileMovedAside) record.kind = RecordKind::FileCopiedAside;
            record.number = contents.next_number++;
            contents.records.push_back(record);
        }
        contents.good_length = start;
    }
    reason.clear();
    return JournalReading::Read;
}

}  // namespace

JournalReading ReadJournalText(const std::string& text, JournalContents& contents, std::string& reason) {
    contents = JournalContents();
    reason.clear();
    const std::string first_format = std::string(kVersion1) + kLineEnd;
    if (text.starts_with(first_format)) {
        contents.good_length = first_format.size();
        return ReadFirstFormat(text, contents, reason);
    }
    bool torn = false;
    bool first = true;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(kLineEnd, start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string body;
        const bool good = end != std::string::npos && BodyOf(line, body);
        start = end == std::string::npos ? text.size() : end + 2;
        if (!good) {
            torn = true;
            continue;
        }
        if (torn) {
            reason = "a damaged record with good ones after it";
            return JournalReading::Unreadable;
        }
        if (first) {
            if (body != kVersion2 && body != kVersion3) {
                reason = "not a journal of this program";
                return JournalReading::Unreadable;
            }
            contents.version = body == kVersion2 ? 2 : 3;
            first = false;
        } else if (!ApplyRecord(body, contents, reason)) {
            return JournalReading::Unreadable;
        }
        contents.good_length = start;
    }
    if (!first) return JournalReading::Read;
    // Without a whole first line the run made no change at all; anything else was never ours.
    const std::string whole_version = VersionLine();
    const std::string written = text.substr(0, text.find_last_not_of('\0') + 1);
    if (whole_version.starts_with(written) || first_format.starts_with(written)) return JournalReading::Read;
    reason = "not a journal of this program";
    return JournalReading::Unreadable;
}

std::string VersionLine(int version) { return Checked(version == 2 ? kVersion2 : kVersion3); }

std::string HeaderLine(const JournalHeader& header) {
    std::vector<std::string> fields = {"H", Escape(header.destination), Escape(header.token)};
    for (const std::string& folder : header.folders) fields.push_back(Escape(folder));
    return Checked(Join(fields));
}

std::string RecordLine(const JournalRecord& record) {
    std::vector<std::string> fields;
    switch (record.kind) {
        case RecordKind::DirectoryCreated: fields = {"D", Escape(record.path)}; break;
        case RecordKind::WorkDirectoryCreated: fields = {"T", Escape(record.path)}; break;
        case RecordKind::ClassesRootKeyCreated: fields = {"K", Escape(record.path)}; break;
        case RecordKind::FileCreated:
            fields = {"F", Escape(record.path)};
            if (record.stamp) {
                fields.push_back(std::to_string(record.stamp->size));
                fields.push_back(std::to_string(record.stamp->write_time));
            }
            break;
        case RecordKind::FileMovedAside:
        case RecordKind::FileCopiedAside:
            fields = {record.kind == RecordKind::FileMovedAside ? "R" : "W", Escape(record.path), Escape(record.other),
                      std::to_string(record.attributes)};
            break;
        case RecordKind::ClassesRootValueSet:
            fields = {"V", Escape(record.path)};
            if (record.old_value) {
                fields.push_back(std::to_string(record.old_value->type));
                fields.push_back(Escape(record.old_value->data));
            }
            break;
        case RecordKind::KeptForRestart: fields = {"N", Escape(record.path), Escape(record.other)}; break;
    }
    return Checked(Join(fields));
}

std::string StampLine(uint32_t number, const FileStamp& stamp) {
    return Checked("S\t" + std::to_string(number) + "\t" + std::to_string(stamp.size) + "\t" +
                   std::to_string(stamp.write_time));
}

std::string IdentityLine(uint32_t number, const std::string& identity) {
    return Checked("I\t" + std::to_string(number) + "\t" + Escape(identity));
}

std::string VoidLine(uint32_t number) { return Checked("X\t" + std::to_string(number)); }
std::string UndoFailedLine(uint32_t number) { return Checked("U\t" + std::to_string(number)); }
std::string CompletedLine() { return Checked("C"); }

std::string JournalText(const JournalHeader& header, std::vector<JournalRecord> records, bool complete) {
    std::string text = VersionLine() + HeaderLine(header);
    uint32_t number = 1;
    for (JournalRecord& record : records) {
        record.number = number++;
        text += RecordLine(record);
        if (record.identity && !record.identity->empty()) text += IdentityLine(record.number, *record.identity);
    }
    if (complete) text += CompletedLine();
    for (const JournalRecord& record : records) {
        if (record.undo_failed) text += UndoFailedLine(record.number);
    }
    return text;
}

}  // namespace engine
