#pragma once
// A scratch folder for platform tests, as a Windows path the services understand. On posix it
// lies on drive C: of a fresh machine root; on win32 it is a new folder in the user's
// temporary directory. Both are removed with everything in them afterwards.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/platform.h"

#ifdef _WIN32
#include <filesystem>
#include <random>
#else
#include "platform/posix/posix_machine.h"
#endif

namespace platform_test {

class ScratchFolder {
public:
    ScratchFolder() {
#ifdef _WIN32
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
            const auto candidate = base / ("platform-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) folder_ = candidate.string();
        }
        while (folder_.size() > 3 && folder_.back() == '\\') folder_.pop_back();
#else
        machine_ = std::make_unique<platform::ScopedMachineRoot>();
        folder_ = "C:\\scratch";
        platform::Files().CreateDirectory(folder_);
#endif
    }

    ~ScratchFolder() {
#ifdef _WIN32
        // Read-only files left by a test would stop remove_all on Windows.
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_, error)) {
            platform::Files().SetAttributes(entry.path().string(), platform::attribute::kNormal);
        }
        std::filesystem::remove_all(folder_, error);
#endif
    }

    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, without a trailing backslash.
    const std::string& Folder() const { return folder_; }
    // A path inside the folder ("a\b.txt" gives "<folder>\a\b.txt").
    std::string Path(const std::string& relative) const { return folder_ + "\\" + relative; }

    // Writes a file through the file system in force; the test fails when it cannot.
    void Write(const std::string& relative, const std::string& content) const {
        auto file = platform::Files().OpenFile(Path(relative), platform::OpenMode::Create);
        ASSERT_TRUE(file) << Path(relative);
        ASSERT_EQ(file->Write(content.data(), static_cast<int64_t>(content.size())),
                  static_cast<int64_t>(content.size()));
    }

    // The content of a file, or "<missing>" when it cannot be opened.
    std::string Read(const std::string& relative) const {
        auto file = platform::Files().OpenFile(Path(relative), platform::OpenMode::Read);
        if (!file) return "<missing>";
        std::string content(static_cast<size_t>(file->Size()), '\0');
        file->Read(content.data(), static_cast<int64_t>(content.size()));
        return content;
    }

private:
    std::string folder_;
#ifndef _WIN32
    std::unique_ptr<platform::ScopedMachineRoot> machine_;
#endif
};

}  // namespace platform_test
