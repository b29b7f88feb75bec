#pragma once
// A scratch folder on the host for tests that work with real files and real archiving tools,
// removed with everything in it afterwards. Its path works with the platform's file system in
// host mode (no machine root) and with the tools the tests start.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace test_support {

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::filesystem::path candidate = base / ("vi-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) path_ = candidate;
        }
    }
    ~TempFolder() {
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, error)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
        }
        std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Root() const { return path_; }
    // The folder as a path string for the component.
    std::string Path() const { return path_.string(); }
    std::string Path(const std::string& relative) const { return (path_ / relative).string(); }

    void Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadHostFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Runs a shell command (quietly); true when it exits with 0.
inline bool RunCommand(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

// True when a tool answers; the tests that need it are skipped otherwise (under Wine, say).
inline bool ToolAvailable(const std::string& probe) { return RunCommand(probe); }

// Deterministic content of a given size: text-like when text is set, else mixed bytes.
inline std::string SampleContent(size_t size, uint32_t seed, bool text) {
    std::string out;
    out.reserve(size);
    uint32_t state = seed * 2654435761u + 1;
    static const char* const kWords[] = {"archive ", "entry ", "volume ", "central ", "header ", "deflate ",
                                         "window ", "the ", "a ", "of ", "\n", "data "};
    while (out.size() < size) {
        state = state * 1103515245u + 12345u;
        if (text) {
            out += kWords[(state >> 16) % 12];
        } else {
            out += static_cast<char>((state >> 16) & ((state >> 8) % 3 == 0 ? 0xFF : 0x0F));
        }
    }
    out.resize(size);
    return out;
}

}  // namespace test_support
