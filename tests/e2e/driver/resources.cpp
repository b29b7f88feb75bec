#include "driver/resources.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace e2e {

namespace {

struct LibraryCloser {
    void operator()(HMODULE module) const { ::FreeLibrary(module); }
};

std::vector<char> VersionBlock(const std::string& program) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(program.c_str(), &ignored);
    std::vector<char> block(size);
    if (size == 0 || !::GetFileVersionInfoA(program.c_str(), 0, size, block.data())) block.clear();
    return block;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Utf8(const wchar_t* text, int length) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
    return result;
}

}  // namespace

std::optional<std::string> ManifestOf(const std::string& program) {
    std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryCloser> module(
        ::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) return std::nullopt;
    HRSRC found = ::FindResourceA(module.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    HGLOBAL loaded = found != nullptr ? ::LoadResource(module.get(), found) : nullptr;
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr) return std::nullopt;
    return std::string(static_cast<const char*>(bytes), ::SizeofResource(module.get(), found));
}

std::optional<std::string> VersionString(const std::string& program, const std::string& block,
                                         const std::string& name) {
    std::vector<char> version = VersionBlock(program);
    if (version.empty()) return std::nullopt;
    const std::wstring path = Wide("\\StringFileInfo\\" + block + "\\" + name);
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(version.data(), path.c_str(), &value, &length) || value == nullptr) return std::nullopt;
    // The length counts the closing zero.
    const auto* text = static_cast<const wchar_t*>(value);
    return Utf8(text, static_cast<int>(wcsnlen(text, length)));
}

std::optional<std::string> FileVersion(const std::string& program) {
    std::vector<char> version = VersionBlock(program);
    void* value = nullptr;
    UINT length = 0;
    if (version.empty() || !::VerQueryValueA(version.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);
    return std::to_string(HIWORD(fixed.dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed.dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed.dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed.dwFileVersionLS));
}

}  // namespace e2e
