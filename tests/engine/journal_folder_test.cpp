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
    // Where owners are not kept the record says so, once for each time the folder is prepared.
    ASSERT_EQ(log_lines.size(), 2u);
    EXPECT_NE(log_lines[0].find("keeps no owners"), std::string::npos) << log_lines[0];
    PosixMachine::SetOwnersKept(true);
    log_lines.clear();
    EXPECT_EQ(engine::PrepareJournalFolder(log_lines), kFolder);
    EXPECT_TRUE(log_lines.empty());
}

struct PlantedFolder {
    const char* what;
    std::function<void(const std::string& host_root)> plant;
};

// A security service whose protected directory is swapped for a foreign one as it is made.
class SwappedAsMade : public platform::Security {
public:
    explicit SwappedAsMade(platform::Security& real) : real_(real) {}
    bool CreateProtectedDirectory(const std::string& path, platform::UserAccess users) override {
        const bool made = real_.CreateProtectedDirectory(path, users);
        PosixMachine::MarkForeignOwner(path);
        return made;
    }
    platform::TrustVerdict CheckTrusted(const std::string& path) override { return real_.CheckTrusted(path); }
    platform::Owners OwnersKept() override { return real_.OwnersKept(); }
    std::string CurrentAccount() override { return real_.CurrentAccount(); }
    bool TakeOwnership(const std::string& path) override { return real_.TakeOwnership(path); }
    bool ResetToInherited(const std::string& path) override { return real_.ResetToInherited(path); }
    std::string LastErrorText() override { return real_.LastErrorText(); }

private:
    platform::Security& real_;
};

// Any user may create the folder, and any names beside it, before the program's first run:
// whatever stands there that is not safe is moved aside under a name nobody could take in
// advance, kept as it was for someone to look at, and a new folder made. Each row: what was
// planted, the reason logged, and whether a folder comes out of it.
TEST(JournalFolder, AnUnsafeFolderIsMovedAsideAndMadeAnew) {
    const auto folder = [](const std::function<void()>& mark) {
        return [mark](const std::string&) {
            ASSERT_TRUE(Files().CreateDirectory(kFolder));
            mark();
        };
    };
    const struct {
        const char* what;
        std::function<void(const std::string& host_root)> plant;
        bool made;
    } cases[] = {
        {"owned by another account", folder([] { PosixMachine::MarkForeignOwner(kFolder); }), true},
        // An administrator's own programs run unelevated as the program's account.
        {"owned by another account", folder([] { PosixMachine::SetOwnersKept(true); }), true},
        {"writable by other accounts", folder([] { PosixMachine::MarkWritableByOthers(kFolder); }), true},
        {"writable by other accounts", folder([] {
             PosixMachine::MarkWritableByOthers(kFolder);
             PosixMachine::MarkDeletionDenied(kFolder);
         }), true},
        {"a link to another place",
         [](const std::string& host_root) {
             Files().CreateDirectory("C:\\elsewhere");
             ::symlink((host_root + "/c/elsewhere").c_str(), (host_root + "/c/ProgramData/VIrovARI2").c_str());
         }, true},
        {"not a folder", [](const std::string&) { WriteFile(kFolder, "a file"); }, true},
        {"not safe after it was made", [](const std::string&) {}, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        platform::ScopedMachineRoot machine;
        ASSERT_TRUE(Files().CreateDirectory("C:\\ProgramData"));
        // The names an earlier version tried are all taken.
        for (int taken = 1; taken <= 100; ++taken) Files().CreateDirectory(std::string(kFolder) + ".untrusted-" + std::to_string(taken));
        test.plant(machine.HostRoot());
        SwappedAsMade swapped(platform::SecurityServices());
        platform::Services services;
        if (!test.made) services.security = &swapped;
        platform::ScopedServices scope(services);
        std::vector<std::string> log_lines;
        EXPECT_EQ(engine::PrepareJournalFolder(log_lines), test.made ? kFolder : "");
        std::string all;
        for (const std::string& line : log_lines) all += line + "\n";
        EXPECT_NE(all.find(test.what), std::string::npos) << all;
        if (!test.made) continue;
        EXPECT_EQ(platform::SecurityServices().CheckTrusted(kFolder), platform::TrustVerdict::Trusted);
        std::vector<platform::DirectoryEntry> listed = Files().ListDirectory("C:\\ProgramData");
        EXPECT_EQ(listed.size(), 102u);
        const size_t aside = all.find("was moved to C:\\ProgramData\\VIrovARI2.untrusted-");
        ASSERT_NE(aside, std::string::npos) << all;
        EXPECT_NE(Files().GetAttributes(all.substr(aside + 13, 51)), platform::attribute::kInvalid) << all;
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
