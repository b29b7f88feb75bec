#pragma once
// The machine's file system passed through unchanged, for tests to override the one call
// whose fault they inject.

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/held_folder.h"

namespace test_support {

class ForwardingFileSystem : public platform::FileSystem {
public:
    explicit ForwardingFileSystem(platform::FileSystem& real) : real_(real) {}

    std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::OpenMode mode) override {
        return real_.OpenFile(path, mode);
    }
    std::unique_ptr<platform::File> OpenForAppend(const std::string& path, bool& created) override {
        return real_.OpenForAppend(path, created);
    }
    std::string RealPath(const std::string& path) override { return real_.RealPath(path); }
    uint32_t GetAttributes(const std::string& path) override { return real_.GetAttributes(path); }
    bool SetAttributes(const std::string& path, uint32_t attributes) override { return real_.SetAttributes(path, attributes); }
    bool CreateDirectory(const std::string& path) override { return real_.CreateDirectory(path); }
    bool RemoveDirectory(const std::string& path) override { return real_.RemoveDirectory(path); }
    bool DeleteFile(const std::string& path) override { return real_.DeleteFile(path); }
    bool MoveFile(const std::string& from, const std::string& to) override { return real_.MoveFile(from, to); }
    bool ReplaceFile(const std::string& from, const std::string& to) override { return real_.ReplaceFile(from, to); }
    bool CanReplace(const std::string& path) override { return real_.CanReplace(path); }
    bool DeleteAtRestart(const std::string& path) override { return real_.DeleteAtRestart(path); }
    bool ReplaceAtRestart(const std::string& from, const std::string& to) override { return real_.ReplaceAtRestart(from, to); }
    bool FlushVolume(const std::string& path) override { return real_.FlushVolume(path); }
    bool CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) override {
        return real_.CopyFile(from, to, fail_if_exists);
    }
    std::unique_ptr<platform::HeldFolder> HoldFolder(const std::string& path, platform::HoldKind kind) override {
        return real_.HoldFolder(path, kind);
    }
    const platform::PathForms& Forms() override { return real_.Forms(); }
    std::vector<platform::DirectoryEntry> ListDirectory(const std::string& path) override { return real_.ListDirectory(path); }
    bool GetLastWriteTime(const std::string& path, platform::FileTime& time) override {
        return real_.GetLastWriteTime(path, time);
    }
    bool SetLastWriteTime(const std::string& path, const platform::FileTime& time) override {
        return real_.SetLastWriteTime(path, time);
    }
    std::string CurrentDirectory() override { return real_.CurrentDirectory(); }
    platform::DriveType GetDriveType(const std::string& root) override { return real_.GetDriveType(root); }
    bool GetVolumeLabel(const std::string& root, std::string& label) override { return real_.GetVolumeLabel(root, label); }
    std::string LastErrorText() override { return real_.LastErrorText(); }
    bool FullPathName(const std::string& path, std::string& full) override { return real_.FullPathName(path, full); }
    bool LongPathName(const std::string& path, std::string& long_path) override {
        return real_.LongPathName(path, long_path);
    }
    bool GetFileId(const std::string& path, std::string& file_id) override { return real_.GetFileId(path, file_id); }

protected:
    platform::FileSystem& real_;
};

}  // namespace test_support
