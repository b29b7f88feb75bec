// The journal folder: made protected where nothing is, anything unsafe standing in its place
// moved aside, and the checks before a journal is read.

#ifndef _WIN32  // these scenarios run on the posix backend's machine root

#include "engine/journal_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/posix_machine.h"
#include "platform/security.h"

namespace {

using platform::Files;
using platform::PosixMachine;

constexpr char kFolder[] = "C:\\ProgramData\\VIrovARI2";

void WriteFile(const std::string& path, const std::string& content) {
    auto file = Files().OpenFile(path, platform::OpenMode::Create);
    ASSERT_TRUE(file) << path;
    file->Write(content.data(), static_cast<int64_t>(content.size()));
}

TEST(JournalFolder, IsMadeProtectedWhenMissingAndKeptAfterwards) {
    platform::ScopedMachineRoot machine;
    std::vector<std::string> log_lines;
    EXPECT_EQ(engine::PrepareJournalFolder(log_lines), kFolder);
    EXPECT_EQ(PosixMachine::SecurityDescriptorOf(kFolder),
              platform::ProtectedDirectoryDescriptor(platform::UserAccess::None));
    WriteFile(std::string(kFolder) + "\\kept.journal", "k");
    EXPECT_EQ(engine::PrepareJournalFolder(log_lines), kFolder);
    EXPECT_TRUE(Files().FileExists(std::string(kFolder) + "\\kept.journal"));
    EXPECT_TRUE(log_lines.empty());
}

struct PlantedFolder {
    const char* what;
    std::function<void(const std::string& host_root)> plant;
};

// Any user may create the folder before the program's first run: whatever stands there that
// is not safe is moved aside, kept as it was for someone to look at, and a new folder made.
TEST(JournalFolder, AnUnsafeFolderIsMovedAsideAndMadeAnew) {
    const PlantedFolder cases[] = {
        {"owned by another account",
         [](const std::string&) {
             Files().CreateDirectory(kFolder);
             PosixMachine::MarkForeignOwner(kFolder);
         }},
        {"writable by other accounts",
         [](const std::string&) {
             Files().CreateDirectory(kFolder);
             PosixMachine::MarkWritableByOthers(kFolder);
         }},
        {"a link to another place",
         [](const std::string& host_root) {
             Files().CreateDirectory("C:\\elsewhere");
             ::symlink((host_root + "/c/elsewhere").c_str(), (host_root + "/c/ProgramData/VIrovARI2").c_str());
         }},
        {"not a folder", [](const std::string&) { WriteFile(kFolder, "a file"); }},
    };
    for (const PlantedFolder& test : cases) {
        SCOPED_TRACE(test.what);
        platform::ScopedMachineRoot machine;
        ASSERT_TRUE(Files().CreateDirectory("C:\\ProgramData"));
        test.plant(machine.HostRoot());
        std::vector<std::string> log_lines;
        EXPECT_EQ(engine::PrepareJournalFolder(log_lines), kFolder);
        EXPECT_EQ(platform::SecurityServices().CheckTrusted(kFolder), platform::TrustVerdict::Trusted);
        EXPECT_NE(Files().GetAttributes(std::string(kFolder) + ".untrusted-1"), platform::attribute::kInvalid);
        ASSERT_EQ(log_lines.size(), 1u);
        EXPECT_NE(log_lines[0].find(test.what), std::string::npos) << log_lines[0];
        EXPECT_NE(log_lines[0].find("VIrovARI2.untrusted-1"), std::string::npos) << log_lines[0];
    }
}

// Before a journal is read, both it and its folder must be beyond the reach of other accounts.
TEST(JournalFolder, OnlyAJournalNobodyElseCanChangeIsTrusted) {
    platform::ScopedMachineRoot machine;
    std::vector<std::string> log_lines;
    ASSERT_EQ(engine::PrepareJournalFolder(log_lines), kFolder);
    const std::string journal = std::string(kFolder) + "\\run.journal";
    WriteFile(journal, "j");
    std::string reason;
    EXPECT_TRUE(engine::IsTrustedJournal(journal, reason)) << reason;

    WriteFile(std::string(kFolder) + "\\foreign.journal", "j");
    PosixMachine::MarkForeignOwner(std::string(kFolder) + "\\foreign.journal");
    EXPECT_FALSE(engine::IsTrustedJournal(std::string(kFolder) + "\\foreign.journal", reason));
    EXPECT_NE(reason.find("owned by another account"), std::string::npos) << reason;

    Files().CreateDirectory("C:\\VE4");
    WriteFile("C:\\VE4\\VIrovARI2.journal", "j");
    PosixMachine::MarkWritableByOthers("C:\\VE4");
    EXPECT_FALSE(engine::IsTrustedJournal("C:\\VE4\\VIrovARI2.journal", reason));
    EXPECT_NE(reason.find("folder"), std::string::npos) << reason;
}

}  // namespace

#endif  // _WIN32
