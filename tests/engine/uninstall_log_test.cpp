// The uninstall log: line splitting, merging with an earlier installation's log, and writing
// that never costs the earlier log.

#include "engine/uninstall_log.h"

#include <gtest/gtest.h>

#include "engine/rollback.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "support/forwarding_file_system.h"

namespace engine_test {
namespace {

using Lines = std::vector<std::string>;

TEST(UninstallLogLines, SplitAtEveryKindOfLineEnd) {
    EXPECT_EQ(engine::SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(engine::SplitLines("a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(engine::SplitLines(""), Lines{});
}

TEST(UninstallLogLines, MergeTakesTheNewHeaderAndAddsOnlyNewPaths) {
    const Lines old_log = {"old|header|", "C:\\VE4\\a.txt", "C:\\VE4\\gone.txt"};
    const Lines new_lines = {"new|header|", "C:\\ve4\\A.TXT", "C:\\VE4\\b.txt", "C:\\VE4\\b.txt"};
    EXPECT_EQ(engine::MergeLogLines(old_log, new_lines),
              (Lines{"new|header|", "C:\\VE4\\a.txt", "C:\\VE4\\gone.txt", "C:\\VE4\\b.txt"}));
}

TEST(UninstallLogLines, MergeComparesCyrillicWithoutCase) {
    const std::string lower = "C:\\\xEF\xF0\xE8\xEC\xE5\xF0.txt";   // "пример" in Windows-1251
    const std::string upper = "C:\\\xCF\xD0\xC8\xCC\xC5\xD0.TXT";   // "ПРИМЕР"
    EXPECT_EQ(engine::MergeLogLines({"h", lower}, {"h", upper}), (Lines{"h", lower}));
}

TEST(UninstallLogLines, AnEmptyOldLogStillGetsTheHeader) {
    EXPECT_EQ(engine::MergeLogLines({}, {"h|", "a"}), (Lines{"h|", "a"}));
}

#ifndef _WIN32  // scenarios on the posix backend's machine root

class UninstallLogTest : public EngineTest {
protected:
    const std::string path_ = "C:\\VE4\\UNINST\\virovari2_1_0.log";
    engine::RollbackJournal journal_;
};

TEST_F(UninstallLogTest, FirstWriteHasCrLfAfterEveryLine) {
    platform::Files().ForceDirectories("C:\\VE4\\UNINST");
    engine::WriteUninstallLog(path_, {"h|", "C:\\VE4\\a"}, journal_);
    EXPECT_EQ(ReadFile(path_), "h|\r\nC:\\VE4\\a\r\n");
    EXPECT_EQ(Tree("C:\\VE4\\UNINST"), Lines{"virovari2_1_0.log"});
}

TEST_F(UninstallLogTest, ReadOnlyLogIsMergedAndRewritten) {
    WriteFile(path_, "old|\r\nC:\\VE4\\a\r\n");
    SetReadOnly(path_, true);
    engine::WriteUninstallLog(path_, {"new|", "C:\\VE4\\A", "C:\\VE4\\b"}, journal_);
    std::vector<std::string> report;
    journal_.Commit(report);
    EXPECT_EQ(ReadFile(path_), "new|\r\nC:\\VE4\\a\r\nC:\\VE4\\b\r\n");
    EXPECT_EQ(Tree("C:\\VE4\\UNINST"), Lines{"virovari2_1_0.log"});
}

TEST_F(UninstallLogTest, AFailedWriteLeavesTheOldLogAsItWas) {
    WriteFile(path_, "old|\r\nC:\\VE4\\a\r\n");
    SetReadOnly(path_, true);
    platform::PosixMachine::MarkUnwritableDirectory("C:\\VE4\\UNINST", true);
    EXPECT_THROW(engine::WriteUninstallLog(path_, {"new|", "C:\\VE4\\b"}, journal_), engine::InstallError);
    platform::PosixMachine::MarkUnwritableDirectory("C:\\VE4\\UNINST", false);
    EXPECT_EQ(ReadFile(path_), "old|\r\nC:\\VE4\\a\r\n");
    EXPECT_TRUE(IsReadOnly(path_));
    EXPECT_EQ(Tree("C:\\VE4\\UNINST"), Lines{"virovari2_1_0.log"});
}

TEST_F(UninstallLogTest, AnUnreadableLogIsAnError) {
    WriteFile(path_, "old|\r\n");
    platform::PosixMachine::MarkInUse(path_, true);
    EXPECT_THROW(engine::WriteUninstallLog(path_, {"new|"}, journal_), engine::InstallError);
    platform::PosixMachine::MarkInUse(path_, false);
    EXPECT_EQ(ReadFile(path_), "old|\r\n");
}

// A file whose reads stop halfway, as a read error midway leaves them.
class ShortReadFile : public platform::File {
public:
    explicit ShortReadFile(std::unique_ptr<platform::File> real) : real_(std::move(real)) {}
    int64_t Read(void* buffer, int64_t count) override { return real_->Read(buffer, count / 2); }
    int64_t Write(const void* buffer, int64_t count) override { return real_->Write(buffer, count); }
    int64_t Seek(int64_t offset, platform::SeekOrigin origin) override { return real_->Seek(offset, origin); }
    int64_t Size() override { return real_->Size(); }
    bool SetSize(int64_t size) override { return real_->SetSize(size); }
    bool GetLastWriteTime(platform::FileTime& time) override { return real_->GetLastWriteTime(time); }
    bool SetLastWriteTime(const platform::FileTime& time) override { return real_->SetLastWriteTime(time); }
    bool Flush() override { return real_->Flush(); }

private:
    std::unique_ptr<platform::File> real_;
};

class ShortReadFileSystem : public test_support::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::string short_path;  // its next opening for reading reads short, later ones do not
    std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::OpenMode mode) override {
        std::unique_ptr<platform::File> file = real_.OpenFile(path, mode);
        if (!file || path != short_path || mode != platform::OpenMode::Read) return file;
        short_path.clear();
        return std::make_unique<ShortReadFile>(std::move(file));
    }
};

// A read that breaks off is no end of the earlier log: the merge fails instead of dropping
// the entries that were not read.
TEST_F(UninstallLogTest, AShortReadOfTheOldLogIsAnError) {
    WriteFile(path_, "old|\r\nC:\\VE4\\a\r\n");
    ShortReadFileSystem files(platform::Files());
    files.short_path = path_;
    platform::Services services = platform::Current();
    services.files = &files;
    {
        platform::ScopedServices scoped(services);
        EXPECT_THROW(engine::WriteUninstallLog(path_, {"new|"}, journal_), engine::InstallError);
    }
    EXPECT_EQ(ReadFile(path_), "old|\r\nC:\\VE4\\a\r\n");
}

// Undoing the run puts the earlier log back, read-only bit and all.
TEST_F(UninstallLogTest, UndoPutsTheEarlierLogBack) {
    WriteFile(path_, "old|\r\n");
    SetReadOnly(path_, true);
    engine::WriteUninstallLog(path_, {"new|", "C:\\VE4\\b"}, journal_);
    std::vector<std::string> report;
    EXPECT_TRUE(journal_.Undo(report));
    EXPECT_EQ(ReadFile(path_), "old|\r\n");
    EXPECT_TRUE(IsReadOnly(path_));
    EXPECT_EQ(Tree("C:\\VE4\\UNINST"), Lines{"virovari2_1_0.log"});
}

TEST_F(UninstallLogTest, RussianReinstallReplacesTheHeaderAndAddsNewPaths) {
    const std::string english_header =
        "Uninstall DE roz OZE-2|Do you want to uninstall DE roz OZE-2?|DE roz OZE-2 is completely uninstalled.|"
        "DE roz OZE-2 is uninstalled but the following files are not deleted:|";
    WriteFile(path_, english_header + "\r\nC:\\VE4\\LIB\\x.dll\r\nC:\\VE4\\old.txt\r\n");

    // "Удаление DE roz OZE-2" and the other three texts in Windows-1251.
    settings_.texts.uninstall_texts[0] = "\xD3\xE4\xE0\xEB\xE5\xED\xE8\xE5 DE roz OZE-2";
    settings_.texts.uninstall_texts[1] = "q";
    settings_.texts.uninstall_texts[2] = "d";
    settings_.texts.uninstall_texts[3] = "p";
    settings_.links.clear();
    Install({{{"lib\\X.DLL", "x"}, {"new.txt", "n"}}});

    EXPECT_EQ(ReadFile(path_),
              "\xD3\xE4\xE0\xEB\xE5\xED\xE8\xE5 DE roz OZE-2|q|d|p|\r\n"
              "C:\\VE4\\LIB\\x.dll\r\nC:\\VE4\\old.txt\r\nC:\\VE4\\new.txt\r\n");
}

#endif  // _WIN32

}  // namespace
}  // namespace engine_test
