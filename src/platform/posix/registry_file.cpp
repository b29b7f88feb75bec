#include "platform/posix/registry_file.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/posix/machine_state.h"

namespace platform::posix {
namespace {

struct Key {
    std::string path;  // Windows-1251
    std::optional<std::string> value;
};

std::string RegistryFolder() { return State().machine_root + "/registry"; }
std::string ClassesRootFile() { return RegistryFolder() + "/HKEY_CLASSES_ROOT.reg"; }

std::string Escape(const std::string& text) {
    std::string escaped;
    for (char character : text) {
        if (character == '\\' || character == '"') escaped += '\\';
        if (character == '\n') {
            escaped += "\\n";
            continue;
        }
        escaped += character;
    }
    return escaped;
}

std::string Unescape(const std::string& text) {
    std::string plain;
    for (size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '\\' && index + 1 < text.size()) {
            ++index;
            plain += text[index] == 'n' ? '\n' : text[index];
            continue;
        }
        plain += text[index];
    }
    return plain;
}

std::vector<Key> Load() {
    std::vector<Key> keys;
    std::ifstream input(ClassesRootFile(), std::ios::binary);
    std::string line;
    while (std::getline(input, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            keys.push_back({ProgramText(line.substr(1, line.size() - 2)), std::nullopt});
            continue;
        }
        if (!keys.empty() && line.starts_with("@=\"") && line.size() >= 4 && line.back() == '"') {
            keys.back().value = ProgramText(Unescape(line.substr(3, line.size() - 4)));
        }
    }
    return keys;
}

bool Save(const std::vector<Key>& keys) {
    BeforeChange();
    ::mkdir(RegistryFolder().c_str(), 0755);
    std::ostringstream text;
    text << "; HKEY_CLASSES_ROOT\n";
    for (const Key& key : keys) {
        text << "\n[" << HostText(key.path) << "]\n";
        if (key.value) text << "@=\"" << Escape(HostText(*key.value)) << "\"\n";
    }
    std::ofstream output(ClassesRootFile(), std::ios::binary | std::ios::trunc);
    output << text.str();
    output.close();
    return !output.fail();
}

std::string Normalise(const std::string& key_path) {
    std::string path = key_path;
    while (!path.empty() && path.back() == '\\') path.pop_back();
    while (!path.empty() && path.front() == '\\') path.erase(0, 1);
    return path;
}

}  // namespace

bool WriteClassesRootValue(const std::string& key_path, const std::string& value) {
    if (State().machine_root.empty()) return false;
    const std::string path = Normalise(key_path);
    if (path.empty()) return false;
    std::vector<Key> keys = Load();
    for (Key& key : keys) {
        if (SameTextIgnoreCase(key.path, path)) {
            key.value = value;
            return Save(keys);
        }
    }
    // The parents of a new key come into being with it, as RegCreateKeyEx makes them.
    for (size_t separator = path.find('\\'); separator != std::string::npos; separator = path.find('\\', separator + 1)) {
        const std::string parent = path.substr(0, separator);
        bool known = false;
        for (const Key& key : keys) known = known || SameTextIgnoreCase(key.path, parent);
        if (!known) keys.push_back({parent, std::nullopt});
    }
    keys.push_back({path, value});
    return Save(keys);
}

namespace {

// The key itself or one below it.
bool InTree(const std::string& key, const std::string& tree) {
    return SameTextIgnoreCase(key, tree) ||
           (key.size() > tree.size() && key[tree.size()] == '\\' && SameTextIgnoreCase(key.substr(0, tree.size()), tree));
}

}  // namespace

bool ClassesRootKeyPresent(const std::string& key_path) {
    if (State().machine_root.empty()) return false;
    const std::string path = Normalise(key_path);
    for (const Key& key : Load()) {
        if (SameTextIgnoreCase(key.path, path)) return true;
    }
    return false;
}

bool DeleteClassesRootTree(const std::string& key_path) {
    if (State().machine_root.empty()) return false;
    const std::string path = Normalise(key_path);
    if (path.empty()) return false;
    std::vector<Key> keys = Load();
    const size_t before = keys.size();
    std::erase_if(keys, [&](const Key& key) { return InTree(key.path, path); });
    return keys.size() == before || Save(keys);
}

bool DeleteClassesRootValue(const std::string& key_path) {
    if (State().machine_root.empty()) return false;
    const std::string path = Normalise(key_path);
    std::vector<Key> keys = Load();
    for (Key& key : keys) {
        if (!SameTextIgnoreCase(key.path, path) || !key.value) continue;
        key.value.reset();
        return Save(keys);
    }
    return true;
}

std::optional<std::string> ReadClassesRootValue(const std::string& key_path) {
    if (State().machine_root.empty()) return std::nullopt;
    const std::string path = Normalise(key_path);
    for (const Key& key : Load()) {
        if (SameTextIgnoreCase(key.path, path)) return key.value;
    }
    return std::nullopt;
}

}  // namespace platform::posix
