// The journal as recovery reads it: a torn tail is changes that never started, a damaged
// record among good ones makes it unreadable, a journal that names anything a run never
// changes is refused whole, and no change is made while the journal holds unflushed bytes.

#include <gtest/gtest.h>

#include "engine/journal_format.h"

namespace {

using engine::JournalContents;
using engine::JournalReading;
using engine::RecordKind;

const engine::JournalHeader kHeader{"C:\\VE4", "abc1234", {"C:\\windows\\system32"}};

// Every way a power cut can end the file (cut anywhere in the last record, followed by
// nothing, zeroed sectors or garbage) reads as the records before it; one damaged byte in any
// earlier line makes the journal unreadable instead of shortening it.
TEST(JournalFormat, ATornTailIsNeverStartedButADamagedMiddleIsUnreadable) {
    const std::vector<engine::JournalRecord> records = {
        {RecordKind::DirectoryCreated, "C:\\VE4\\new"},
        {RecordKind::FileCreated, "C:\\VE4\\new\\a.txt"},
        {RecordKind::FileMovedAside, "C:\\VE4\\b.txt", "C:\\VE4\\b.txt.~viabc1234-1", 32},
    };
    const std::string whole = engine::JournalText(kHeader, records, false);
    const size_t last_line = whole.rfind("\r\n", whole.size() - 3) + 2;
    std::string reason;
    for (size_t cut = last_line; cut < whole.size(); ++cut) {
        for (const std::string& tail : {std::string(), std::string(512, '\0'), std::string("\x7f\x01garbage\r\n")}) {
            SCOPED_TRACE("cut at " + std::to_string(cut) + ", tail of " + std::to_string(tail.size()));
            JournalContents contents;
            ASSERT_EQ(engine::ReadJournalText(whole.substr(0, cut) + tail, contents, reason), JournalReading::Read);
            EXPECT_EQ(contents.records.size(), 2u);
            EXPECT_EQ(contents.good_length, last_line);
        }
    }
    for (size_t damaged = 0; damaged < last_line; ++damaged) {
        if (whole[damaged] == '\r' || whole[damaged] == '\n') continue;
        SCOPED_TRACE("damaged at " + std::to_string(damaged));
        std::string text = whole;
        text[damaged] ^= 0x20;
        JournalContents contents;
        EXPECT_EQ(engine::ReadJournalText(text, contents, reason), JournalReading::Unreadable);
    }
}

// A journal of the first format is read by its rules: no checksums, X voids the newest record,
// and only a last line without its line end is torn.
TEST(JournalFormat, TheFirstFormatIsReadByItsOwnRules) {
    JournalContents contents;
    std::string reason;
    ASSERT_EQ(engine::ReadJournalText("VIrovARI2 install journal 1\r\nF\tC:\\VE4\\a.txt\r\nX\r\nR\tC:\\VE4\\b\tC:\\VE4\\b.~vi1\t1\r\nF\tC:\\VE",
                                      contents, reason),
              JournalReading::Read);
    EXPECT_EQ(contents.version, 1);
    ASSERT_EQ(contents.records.size(), 1u);
    EXPECT_EQ(contents.records[0].kind, RecordKind::FileCopiedAside);
    EXPECT_EQ(engine::ReadJournalText("VIrovARI2 install journal 1\r\nQ\r\nF\tC:\\VE4\\a.txt\r\n", contents, reason),
              JournalReading::Unreadable);
}

}  // namespace

#ifndef _WIN32  // the scenarios below run on the posix backend's machine root

#include "engine_fixture.h"
#include "platform/posix/shell_posix.h"
#include "support/forwarding_file_system.h"

namespace engine_test {
namespace {

// Journals that name anything a run of the product never changes are refused whole, and the
// machine stays as it is, however the journal came to be where it is.
TEST_F(EngineTest, PlantedJournalsAreRefusedAndNothingChanges) {
    WriteFile("C:\\other\\victim.txt", "victim");
    WriteFile("C:\\other\\victim.txt.~viabc1234-1", "victim's copy");
    WriteFile("C:\\VE4\\a.txt", "a");
    platform::posix::PosixShell().SetClassesRootValue("txtfile", "Text Document");
    const engine::JournalHeader other_folder{"C:\\VE4", "abc1234", {"C:\\other"}};
    const engine::JournalHeader no_base_product{"C:\\other", "abc1234", {}};
    struct Case {
        const char* name;
        engine::JournalHeader header;
        std::vector<engine::JournalRecord> records;
        bool complete;
    };
    const Case cases[] = {
        {"a path outside every allowed folder", kHeader,
         {{RecordKind::FileCreated, "C:\\VE4\\a.txt"}, {RecordKind::FileCreated, "C:\\other\\victim.txt"}}, false},
        {"a path that climbs out", kHeader, {{RecordKind::FileCreated, "C:\\VE4\\..\\other\\victim.txt"}}, false},
        {"a foreign token", kHeader,
         {{RecordKind::FileMovedAside, "C:\\VE4\\a.txt", "C:\\VE4\\a.txt.~vizzz9999-1"}}, false},
        {"a key outside the associations", kHeader, {{RecordKind::ClassesRootKeyCreated, "txtfile"}}, false},
        {"a completion record naming an outside file", kHeader,
         {{RecordKind::FileMovedAside, "C:\\other\\victim.txt", "C:\\other\\victim.txt.~viabc1234-1"}}, true},
        {"a folder that is not the machine's", other_folder, {{RecordKind::FileCreated, "C:\\other\\victim.txt"}}, false},
        {"a destination without the base product", no_base_product,
         {{RecordKind::FileCreated, "C:\\other\\victim.txt"}}, false},
    };
    const std::string journal = settings_.journal_folder + "\\planted.journal";
    for (const Case& planted : cases) {
        SCOPED_TRACE(planted.name);
        const std::string text = engine::JournalText(planted.header, planted.records, planted.complete);
        WriteFile(journal, text);
        const std::vector<std::string> before = Tree("C:");
        const std::string registry = RegistryText();
        EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::Refused);
        EXPECT_EQ(Tree("C:"), before);
        EXPECT_EQ(RegistryText(), registry);
        EXPECT_EQ(ReadFile(journal), text);
        EXPECT_EQ(ReadFile("C:\\other\\victim.txt.~viabc1234-1"), "victim's copy");
        platform::Files().DeleteFile(journal);
    }
}

// The file system of a machine whose power may fail at any moment: the test fails when
// anything changes while the journal holds bytes written but not yet flushed to the disk.
class WriteAheadWatch : public test_support::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;

    std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::OpenMode mode) override {
        const bool journal = path.ends_with(".journal");
        const bool writes = mode == platform::OpenMode::Create || mode == platform::OpenMode::ReadWrite;
        if (writes && !journal) Check("open for writing " + path);
        std::unique_ptr<platform::File> file = real_.OpenFile(path, mode);
        if (!file) return file;
        return std::make_unique<WatchedFile>(std::move(file), *this, journal ? path : std::string());
    }
    bool SetAttributes(const std::string& path, uint32_t attributes) override {
        return Check("set the attributes of " + path) && real_.SetAttributes(path, attributes);
    }
    bool CreateDirectory(const std::string& path) override { return Check("create " + path) && real_.CreateDirectory(path); }
    bool RemoveDirectory(const std::string& path) override { return Check("remove " + path) && real_.RemoveDirectory(path); }
    bool DeleteFile(const std::string& path) override { return Check("delete " + path) && real_.DeleteFile(path); }
    bool MoveFile(const std::string& from, const std::string& to) override {
        return Check("move " + from) && real_.MoveFile(from, to);
    }
    bool ReplaceFile(const std::string& from, const std::string& to) override {
        return Check("replace " + to) && real_.ReplaceFile(from, to);
    }
    bool CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) override {
        return Check("copy to " + to) && real_.CopyFile(from, to, fail_if_exists);
    }
    bool SetLastWriteTime(const std::string& path, const platform::FileTime& time) override {
        return Check("set the time of " + path) && real_.SetLastWriteTime(path, time);
    }

    int64_t unflushed = 0;
    int journal_writes = 0;

private:
    class WatchedFile : public platform::File {
    public:
        WatchedFile(std::unique_ptr<platform::File> file, WriteAheadWatch& watch, std::string journal)
            : file_(std::move(file)), watch_(watch), journal_(std::move(journal)) {}
        int64_t Read(void* buffer, int64_t count) override { return file_->Read(buffer, count); }
        int64_t Write(const void* buffer, int64_t count) override {
            if (journal_.empty()) {
                watch_.Check("write a file");
            } else {
                watch_.unflushed += count;
                ++watch_.journal_writes;
            }
            return file_->Write(buffer, count);
        }
        int64_t Seek(int64_t offset, platform::SeekOrigin origin) override { return file_->Seek(offset, origin); }
        int64_t Size() override { return file_->Size(); }
        bool SetSize(int64_t size) override { return (!journal_.empty() || watch_.Check("cut a file")) && file_->SetSize(size); }
        bool GetLastWriteTime(platform::FileTime& time) override { return file_->GetLastWriteTime(time); }
        bool SetLastWriteTime(const platform::FileTime& time) override {
            return watch_.Check("set a file's time") && file_->SetLastWriteTime(time);
        }
        bool Flush() override {
            const bool flushed = file_->Flush();
            if (flushed && !journal_.empty()) watch_.unflushed = 0;
            return flushed;
        }

    private:
        std::unique_ptr<platform::File> file_;
        WriteAheadWatch& watch_;
        std::string journal_;
    };

    bool Check(const std::string& change) {
        if (unflushed > 0) ADD_FAILURE() << "about to " << change << " while the journal holds unflushed bytes";
        return true;
    }
};

// Installations that complete, fail at their end, and are recovered after a crash all flush
// each journal record before the change it announces.
TEST_F(EngineTest, NothingChangesWhileTheJournalHoldsUnflushedBytes) {
    WriteFile("C:\\VE4\\LIB\\x.dll", "old x");
    WriteFile("C:\\VE4\\UNINST\\virovari2_1_0.log", "earlier header|\r\n");
    WriteFile("C:\\windows\\system32\\VE4.DLL", "old core");
    WriteAheadWatch watch(platform::Files());
    platform::Services services;
    services.files = &watch;
    platform::ScopedServices scope(services);
    const Volumes payload{{{"LIB\\x.dll", "new x"}, {"SYSTEM\\VE4.DLL", "new core"}, {"MPI\\mpi.h", "header"}}};
    Install(payload);
    ASSERT_EQ(view_.exit_code, platform::ExitCode::Installed);
    Volumes damaged = payload;
    damaged[0].push_back({"last.txt", "damaged", false});
    settings_ = ProductSettings();
    Install(damaged);
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "new x");
    EXPECT_GT(watch.journal_writes, 20);
}

// A journal whose completion record cannot be written: the file system refuses that one write.
class CompletionRefused : public test_support::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::OpenMode mode) override {
        std::unique_ptr<platform::File> file = real_.OpenFile(path, mode);
        if (!file || !path.ends_with(".journal")) return file;
        return std::make_unique<RefusingFile>(std::move(file));
    }

private:
    class RefusingFile : public platform::File {
    public:
        explicit RefusingFile(std::unique_ptr<platform::File> file) : file_(std::move(file)) {}
        int64_t Read(void* buffer, int64_t count) override { return file_->Read(buffer, count); }
        int64_t Write(const void* buffer, int64_t count) override {
            const auto* bytes = static_cast<const char*>(buffer);
            if (count > 1 && bytes[0] == 'C' && bytes[1] == '\t') return 0;
            return file_->Write(buffer, count);
        }
        int64_t Seek(int64_t offset, platform::SeekOrigin origin) override { return file_->Seek(offset, origin); }
        int64_t Size() override { return file_->Size(); }
        bool SetSize(int64_t size) override { return file_->SetSize(size); }
        bool GetLastWriteTime(platform::FileTime& time) override { return file_->GetLastWriteTime(time); }
        bool SetLastWriteTime(const platform::FileTime& time) override { return file_->SetLastWriteTime(time); }
        bool Flush() override { return file_->Flush(); }

    private:
        std::unique_ptr<platform::File> file_;
    };
};

// A run whose completion cannot be recorded could not be told from one that broke off: it is
// undone and fails with the data-copy error.
TEST_F(EngineTest, ACompletionThatCannotBeRecordedUndoesTheRun) {
    WriteFile("C:\\VE4\\LIB\\x.dll", "old x");
    CompletionRefused files(platform::Files());
    platform::Services services;
    services.files = &files;
    platform::ScopedServices scope(services);
    Install({{{"LIB\\x.dll", "new x"}, {"a.txt", "a"}}});
    EXPECT_EQ(view_.exit_code, platform::ExitCode::InstallFailed);
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "old x");
    EXPECT_FALSE(Exists("C:\\VE4\\a.txt"));
    EXPECT_TRUE(Journals().empty());
}

}  // namespace
}  // namespace engine_test

#endif  // _WIN32
