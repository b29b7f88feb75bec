// A shell link file is little-endian throughout:
//
//   header (76 bytes)   size 0x4C, the class id 00021401-0000-0000-C000-000000000046, flags
//                       saying which parts follow, the target's attributes, three times, size,
//                       icon index, show command and hot key
//   item id list        (flag 0x01) a u16 size and the shell's own target description; we
//                       never write one and skip it when reading
//   link info           (flag 0x02) where the target lies: a header with offsets, a volume
//                       id (drive type, serial, label) and the local base path, NUL-terminated
//   string data         each a u16 character count and the characters, UTF-16 when flag
//                       0x80 is set and ANSI otherwise: name (0x04), relative path (0x08),
//                       working directory (0x10), arguments (0x20), icon location (0x40)
//   extra data          blocks ended by a u32 zero
//
// The shell's loader takes the target from the local base path, so that is what matters most;
// the relative path lets a link survive a moved drive.

#include "platform/shell_link_format.h"

#include <vector>

#include "platform/code_page.h"

namespace platform {
namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr unsigned char kLinkClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                            0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kHasIdList = 0x01;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kHasRelativePath = 0x08;
constexpr uint32_t kHasWorkingDirectory = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kShowNormal = 1;
constexpr size_t kLinkFlagsOffset = 20;

void PutLe16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void PutLe32(std::string& out, uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

void PutLe64(std::string& out, uint64_t value) {
    PutLe32(out, static_cast<uint32_t>(value));
    PutLe32(out, static_cast<uint32_t>(value >> 32));
}

void PutCountedString(std::string& out, const std::string& text) {
    PutLe16(out, static_cast<uint32_t>(text.size()));
    out += text;
}

// Bounds-checked little-endian reading of the link bytes.
class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    bool Has(size_t offset, size_t count) const { return offset <= bytes_.size() && count <= bytes_.size() - offset; }
    uint32_t Le16(size_t offset) const {
        return static_cast<unsigned char>(bytes_[offset]) | static_cast<unsigned char>(bytes_[offset + 1]) << 8;
    }
    uint32_t Le32(size_t offset) const { return Le16(offset) | Le16(offset + 2) << 16; }
    // A NUL-terminated string starting at offset and ending before limit; false without a NUL.
    bool CString(size_t offset, size_t limit, std::string& text) const {
        if (limit > bytes_.size()) limit = bytes_.size();
        for (size_t end = offset; end < limit; ++end) {
            if (bytes_[end] == '\0') {
                text = bytes_.substr(offset, end - offset);
                return true;
            }
        }
        return false;
    }
    const std::string& Bytes() const { return bytes_; }

private:
    const std::string& bytes_;
};

bool IsFullPath(const std::string& path) { return path.size() >= 3 && path[1] == ':' && path[2] == '\\'; }

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> components;
    std::string current;
    for (char character : path) {
        if (character == '\\') {
            if (!current.empty()) components.push_back(current);
            current.clear();
            continue;
        }
        current += character;
    }
    if (!current.empty()) components.push_back(current);
    return components;
}

}  // namespace

std::string RelativeLinkPath(const std::string& link_path, const std::string& target) {
    if (!IsFullPath(link_path) || !IsFullPath(target)) return {};
    if (UpperCaseAnsi(link_path[0]) != UpperCaseAnsi(target[0])) return {};
    std::vector<std::string> folder = Components(link_path.substr(3));
    if (!folder.empty()) folder.pop_back();
    const std::vector<std::string> destination = Components(target.substr(3));
    size_t common = 0;
    while (common < folder.size() && common + 1 < destination.size() &&
           SameTextIgnoreCase(folder[common], destination[common])) {
        ++common;
    }
    std::string relative = common == folder.size() ? ".\\" : "";
    for (size_t index = common; index < folder.size(); ++index) relative += "..\\";
    for (size_t index = common; index < destination.size(); ++index) {
        relative += destination[index];
        if (index + 1 < destination.size()) relative += "\\";
    }
    return relative;
}

std::string EncodeShellLink(const ShellLinkContent& content) {
    const std::string relative = RelativeLinkPath(content.link_path, content.target);
    uint32_t flags = 0;
    if (IsFullPath(content.target)) flags |= kHasLinkInfo;
    if (!relative.empty()) flags |= kHasRelativePath;
    if (!content.working_directory.empty()) flags |= kHasWorkingDirectory;
    if (!content.arguments.empty()) flags |= kHasArguments;

    std::string out;
    PutLe32(out, kHeaderSize);
    out.append(reinterpret_cast<const char*>(kLinkClassId), sizeof kLinkClassId);
    PutLe32(out, flags);
    PutLe32(out, content.target_attributes);
    PutLe64(out, content.target_write_time.ticks);  // creation
    PutLe64(out, content.target_write_time.ticks);  // access
    PutLe64(out, content.target_write_time.ticks);  // write
    PutLe32(out, content.target_size);
    PutLe32(out, 0);  // icon index
    PutLe32(out, kShowNormal);
    PutLe16(out, 0);  // hot key
    PutLe16(out, 0);
    PutLe32(out, 0);
    PutLe32(out, 0);

    if (flags & kHasLinkInfo) {
        std::string volume;
        PutLe32(volume, 0x11);  // size: four fields and an empty label
        PutLe32(volume, kDriveFixed);
        PutLe32(volume, 0);     // serial number
        PutLe32(volume, 0x10);  // label offset
        volume += '\0';
        const uint32_t base_offset = kLinkInfoHeaderSize + static_cast<uint32_t>(volume.size());
        const uint32_t suffix_offset = base_offset + static_cast<uint32_t>(content.target.size()) + 1;
        const uint32_t total = suffix_offset + 1;
        PutLe32(out, total);
        PutLe32(out, kLinkInfoHeaderSize);
        PutLe32(out, kVolumeIdAndLocalBasePath);
        PutLe32(out, kLinkInfoHeaderSize);  // volume id offset
        PutLe32(out, base_offset);
        PutLe32(out, 0);                    // no network location
        PutLe32(out, suffix_offset);
        out += volume;
        out += content.target;
        out += '\0';
        out += '\0';  // empty common path suffix
    }
    if (flags & kHasRelativePath) PutCountedString(out, relative);
    if (flags & kHasWorkingDirectory) PutCountedString(out, content.working_directory);
    if (flags & kHasArguments) PutCountedString(out, content.arguments);
    PutLe32(out, 0);  // end of extra data
    return out;
}

std::optional<ShortcutInfo> DecodeShellLink(const std::string& bytes, const std::string& link_path) {
    const Reader reader(bytes);
    if (!reader.Has(0, kHeaderSize) || reader.Le32(0) != kHeaderSize) return std::nullopt;
    if (bytes.compare(4, sizeof kLinkClassId, reinterpret_cast<const char*>(kLinkClassId), sizeof kLinkClassId) != 0) {
        return std::nullopt;
    }
    const uint32_t flags = reader.Le32(kLinkFlagsOffset);
    size_t position = kHeaderSize;
    if (flags & kHasIdList) {
        if (!reader.Has(position, 2)) return std::nullopt;
        position += 2 + reader.Le16(position);
    }

    ShortcutInfo info;
    if (flags & kHasLinkInfo) {
        if (!reader.Has(position, kLinkInfoHeaderSize)) return std::nullopt;
        const uint32_t info_size = reader.Le32(position);
        if (info_size < kLinkInfoHeaderSize || !reader.Has(position, info_size)) return std::nullopt;
        const size_t limit = position + info_size;
        if (reader.Le32(position + 8) & kVolumeIdAndLocalBasePath) {
            std::string base;
            std::string suffix;
            if (!reader.CString(position + reader.Le32(position + 16), limit, base)) return std::nullopt;
            reader.CString(position + reader.Le32(position + 24), limit, suffix);
            info.target = base + suffix;
        }
        position = limit;
    }

    // The counted strings, in their fixed order.
    const uint32_t string_flags[] = {kHasName, kHasRelativePath, kHasWorkingDirectory, kHasArguments, kHasIconLocation};
    std::string strings[5];
    for (int index = 0; index < 5; ++index) {
        if (!(flags & string_flags[index])) continue;
        if (!reader.Has(position, 2)) return std::nullopt;
        const size_t count = reader.Le16(position);
        position += 2;
        const size_t length = flags & kIsUnicode ? count * 2 : count;
        if (!reader.Has(position, length)) return std::nullopt;
        if (flags & kIsUnicode) {
            for (size_t unit = 0; unit < count; ++unit) {
                strings[index] += WideToAnsi(static_cast<char16_t>(reader.Le16(position + unit * 2)));
            }
        } else {
            strings[index] = bytes.substr(position, length);
        }
        position += length;
        // Some writers count a terminating NUL into the string; it is not part of the text.
        const size_t end = strings[index].find('\0');
        if (end != std::string::npos) strings[index].resize(end);
    }
    info.working_directory = strings[2];
    info.arguments = strings[3];
    if (info.target.empty() && !strings[1].empty()) {
        const size_t separator = link_path.find_last_of('\\');
        std::string resolved = separator == std::string::npos ? std::string() : link_path.substr(0, separator);
        for (const std::string& component : Components(strings[1])) {
            if (component == ".") continue;
            if (component == "..") {
                const size_t parent = resolved.find_last_of('\\');
                if (parent != std::string::npos) resolved.erase(parent);
                continue;
            }
            resolved += "\\" + component;
        }
        info.target = resolved;
    }
    return info;
}

}  // namespace platform
