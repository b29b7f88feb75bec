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

#include <unistd.h>

#include <functional>
#include <map>
#include <set>

#include "engine_fixture.h"
#include "platform/posix/shell_posix.h"
#include "setup/recording_dialogs.h"
#include "setup/setup_log.h"
#include "support/forwarding_file_system.h"

namespace engine_test {
namespace {

// Every file and directory of drive C: with its attributes and, for a file, its bytes; links
// are listed as links, never followed.
std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> snapshot;
    std::function<void(const std::string&)> walk = [&](const std::string& dir) {
        for (const platform::DirectoryEntry& entry : platform::Files().ListDirectory(dir)) {
            const std::string path = dir + "\\" + entry.name;
            std::string& state = snapshot[path] = std::to_string(entry.attributes);
            if ((entry.attributes & platform::attribute::kReparsePoint) != 0) continue;
            if ((entry.attributes & platform::attribute::kDirectory) != 0) {
                walk(path);
                continue;
            }
            auto file = platform::Files().OpenFile(path, platform::OpenMode::Read);
            std::string bytes(file ? static_cast<size_t>(file->Size()) : 0, '\0');
            if (file) file->Read(bytes.data(), static_cast<int64_t>(bytes.size()));
            state += " " + bytes;
        }
    };
    walk("C:");
    return snapshot;
}

void HostLink(const std::string& target_windows, const std::string& link_windows) {
    const std::string link = platform::PosixMachine::HostPath(link_windows);
    ASSERT_EQ(::symlink(platform::PosixMachine::HostPath(target_windows).c_str(), link.c_str()), 0) << link;
}

std::string Lines(const std::vector<engine::JournalRecord>& records) {
    std::string text;
    uint32_t number = 1;
    for (engine::JournalRecord record : records) {
        record.number = number++;
        text += engine::RecordLine(record);
    }
    return text;
}

enum class Expected {
    Refused,    // left alone: the journal as it was, nothing on the machine changed
    Untouched,  // acted on, yet nothing but the journal changes on the machine
    Checked,    // acted on, then the row's own check
};

// Each row: a journal that holds one record or header breaking (or keeping) one rule, run
// through the recovery of a start-up on a machine where obeying it would do harm.
TEST_F(EngineTest, EachJournalIsRefusedOrActedOnByItsOneRecord) {
    WriteFile("C:\\VE4\\a.txt", "a");
    WriteFile("C:\\VE4\\new.txt", "the run's new file");
    WriteFile("C:\\VE4\\a.txt.~vizzz9999-1", "the user's own file");
    WriteFile("C:\\VE42\\x.txt", "a neighbour's file");
    WriteFile("C:\\other\\victim.txt", "victim");
    WriteFile("C:\\other\\victim.txt.~viabc1234-1", "victim's copy");
    WriteFile("C:\\ri4razoz.exe", "a base product in the drive's root");
    HostLink("C:\\VE4", "C:\\VE4link");
    HostLink("C:\\other\\victim.txt", "C:\\VE4\\b.txt.~viabc1234-1");
    WriteFile("C:\\VE4\\busy.txt", "in use");
    WriteFile("C:\\VE4\\c.txt.~viabc1234-1", "c's only copy");
    WriteFile("C:\\VE4\\UNINST\\log.txt.~viabc1234-1", "the earlier log");
    WriteFile("C:\\VE4\\UNINST\\log.txt", "the run's new log");
    WriteFile("C:\\VE4\\TEMP\\notes.txt", "the user's notes");
    for (const char* busy : {"C:\\VE4\\busy.txt", "C:\\VE4\\c.txt.~viabc1234-1", "C:\\VE4\\UNINST\\log.txt"}) {
        platform::PosixMachine::MarkInUse(busy, true);
    }
    platform::posix::PosixShell().SetClassesRootValue("txtfile", "Text Document");
    const std::string start = engine::VersionLine() + engine::HeaderLine(kHeader);
    const auto header = [](std::string destination, std::vector<std::string> folders = {"C:\\windows\\system32"}) {
        return engine::VersionLine() + engine::HeaderLine({std::move(destination), "abc1234", std::move(folders)});
    };
    const std::string create_new = Lines({{RecordKind::FileCreated, "C:\\VE4\\new.txt"}});
    const std::string journal = settings_.journal_folder + "\\VIrovARI2-abc1234.journal";
    const auto recovered_again = [&] { return RecoverJournals().outcome; };
    engine::RecoveryOutcome outcome = engine::RecoveryOutcome::NothingToDo;
    struct Row {
        const char* rule;
        std::string text;
        Expected expected;
        std::function<void()> check = {};
    };
    const Row rows[] = {
        {"a journal within the rules is acted on", start + create_new, Expected::Checked,
         [&] { EXPECT_FALSE(Exists("C:\\VE4\\new.txt")); }},
        {"a path outside every allowed folder", start + Lines({{RecordKind::FileCreated, "C:\\other\\victim.txt"}}),
         Expected::Refused},
        {"a path that climbs out", start + Lines({{RecordKind::FileCreated, "C:\\VE4\\..\\other\\victim.txt"}}),
         Expected::Refused},
        {"a neighbour sharing the destination's name as a prefix",
         start + Lines({{RecordKind::FileCreated, "C:\\VE42\\x.txt"}}), Expected::Refused},
        {"a forward slash, which Windows takes for a separator",
         start + Lines({{RecordKind::FileCreated, "C:\\VE4\\x/../../other/victim.txt"}}), Expected::Refused},
        {"a drive's root as the destination", header("C:\\") + Lines({{RecordKind::FileCreated, "C:\\other\\victim.txt"}}),
         Expected::Refused},
        {"a destination without the base product", header("C:\\other", {}) +
         Lines({{RecordKind::FileCreated, "C:\\other\\victim.txt"}}), Expected::Refused},
        {"a folder that is not the machine's", header("C:\\VE4", {"C:\\other"}) +
         Lines({{RecordKind::FileCreated, "C:\\other\\victim.txt"}}), Expected::Refused},
        {"a copy set aside under a foreign token",
         start + Lines({{RecordKind::FileMovedAside, "C:\\VE4\\a.txt", "C:\\VE4\\a.txt.~vizzz9999-1"}}), Expected::Refused},
        {"a kept file under a foreign token",
         start + Lines({{RecordKind::KeptForRestart, "C:\\VE4\\a.txt", "C:\\VE4\\a.txt.~vizzz9999-1"}}), Expected::Refused},
        {"a key outside the associations", start + Lines({{RecordKind::ClassesRootKeyCreated, "txtfile"}}),
         Expected::Refused},
        {"a completed run naming an outside file",
         start + Lines({{RecordKind::FileMovedAside, "C:\\other\\victim.txt", "C:\\other\\victim.txt.~viabc1234-1"}}) +
             engine::CompletedLine(),
         Expected::Refused},
        {"a second header", start + engine::HeaderLine(kHeader) + create_new, Expected::Refused},
        {"a change recorded after the run's end", start + engine::CompletedLine() + create_new, Expected::Refused},
        {"a journal others may write", start + create_new, Expected::Refused,
         [&] { platform::PosixMachine::MarkWritableByOthers(journal); }},
        {"a torn tail is cut before the undo appends to it",
         start + Lines({{RecordKind::FileCreated, "C:\\VE4\\busy.txt"}}) + "F\tC:\\VE4\\part\t00000000\r\n", Expected::Checked,
         [&] { EXPECT_EQ(recovered_again(), engine::RecoveryOutcome::Incomplete); }},
        {"a completed run undoes, never finishes, a change whose undo failed",
         start + Lines({{RecordKind::FileMovedAside, "C:\\VE4\\c.txt", "C:\\VE4\\c.txt.~viabc1234-1", 32}}) +
             engine::CompletedLine() + engine::UndoFailedLine(1),
         Expected::Checked,
         [&] {
             EXPECT_EQ(outcome, engine::RecoveryOutcome::Incomplete);
             EXPECT_EQ(ReadFile("C:\\VE4\\c.txt.~viabc1234-1"), "c's only copy");
             EXPECT_TRUE(platform::PosixMachine::DeletesAtRestart().empty());
         }},
        {"a copy whose restore failed outlives the undo of its creation",
         start + Lines({{RecordKind::FileCreated, "C:\\VE4\\UNINST\\log.txt.~viabc1234-1"},
                        {RecordKind::FileCopiedAside, "C:\\VE4\\UNINST\\log.txt", "C:\\VE4\\UNINST\\log.txt.~viabc1234-1", 32}}),
         Expected::Checked, [&] { EXPECT_EQ(ReadFile("C:\\VE4\\UNINST\\log.txt.~viabc1234-1"), "the earlier log"); }},
        {"a copy that is a link is not restored through",
         start + Lines({{RecordKind::FileMovedAside, "C:\\VE4\\b.txt", "C:\\VE4\\b.txt.~viabc1234-1", 1}}),
         Expected::Untouched},
        {"an extraction directory that is not the one the run made",
         start + Lines({{RecordKind::WorkDirectoryCreated, "C:\\VE4\\TEMP"}}) + engine::IdentityLine(1, "1:2:3"),
         Expected::Untouched},
        {"an extraction directory whose identity was never recorded goes only when empty",
         start + Lines({{RecordKind::WorkDirectoryCreated, "C:\\VE4\\TEMP"}}), Expected::Untouched},
        {"a journal of the second format removes its extraction directory by its rules",
         engine::VersionLine(2) + engine::HeaderLine(kHeader) +
             Lines({{RecordKind::WorkDirectoryCreated, "C:\\VE4\\TEMP.~viabc1234-1"}}),
         Expected::Checked, [&] {
             EXPECT_EQ(outcome, engine::RecoveryOutcome::Recovered);
             EXPECT_FALSE(Exists("C:\\VE4\\TEMP.~viabc1234-1"));
         }},
        {"a destination that is a link is not acted through",
         header("C:\\VE4link") + Lines({{RecordKind::FileCreated, "C:\\VE4link\\a.txt"}}), Expected::Untouched},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        WriteFile("C:\\VE4\\TEMP.~viabc1234-1\\x.txt", "extracted");
        WriteFile(journal, row.text);
        if (row.expected == Expected::Refused && row.check) row.check();
        std::map<std::string, std::string> before = Snapshot();
        const std::string registry = RegistryText();
        outcome = RecoverJournals().outcome;
        EXPECT_EQ(RegistryText(), registry);
        std::map<std::string, std::string> after = Snapshot();
        switch (row.expected) {
            case Expected::Refused:
                EXPECT_TRUE(outcome == engine::RecoveryOutcome::Refused || outcome == engine::RecoveryOutcome::Unreadable);
                EXPECT_EQ(after, before);
                break;
            case Expected::Untouched:
                EXPECT_EQ(outcome, engine::RecoveryOutcome::Recovered);
                before.erase(journal);
                after.erase(journal);
                EXPECT_EQ(after, before);
                break;
            case Expected::Checked: row.check(); break;
        }
        platform::Files().DeleteFile(journal);
        WriteFile("C:\\VE4\\new.txt", "the run's new file");
    }
}

// The file system of a machine whose power may fail at any moment. The test fails when
// anything changes while the journal holds bytes written but not yet flushed to the disk, when
// something is moved to a name no journal record has named yet, and when the completion record
// is written while a file the run wrote or moved is not yet on the disk.
class WriteAheadWatch : public test_support::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;

    std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::OpenMode mode) override {
        const bool journal = path.ends_with(".journal");
        const bool writes = mode == platform::OpenMode::Create || mode == platform::OpenMode::ReadWrite;
        if (writes && !journal) Check("open for writing " + path);
        std::unique_ptr<platform::File> file = real_.OpenFile(path, mode);
        if (!file) return file;
        return std::make_unique<WatchedFile>(std::move(file), *this, path, journal);
    }
    bool SetAttributes(const std::string& path, uint32_t attributes) override {
        return Check("set the attributes of " + path) && real_.SetAttributes(path, attributes);
    }
    bool CreateDirectory(const std::string& path) override {
        return Check("create " + path) && Unflushed(path) && real_.CreateDirectory(path);
    }
    bool RemoveDirectory(const std::string& path) override { return Check("remove " + path) && real_.RemoveDirectory(path); }
    bool DeleteFile(const std::string& path) override { return Check("delete " + path) && real_.DeleteFile(path); }
    bool MoveFile(const std::string& from, const std::string& to) override {
        if (!to.ends_with(".journal") && journal_text.find(to) == std::string::npos) {
            ADD_FAILURE() << "about to move " << from << " to " << to << ", which no journal record names yet";
        }
        return Check("move " + from) && Unflushed(to) && real_.MoveFile(from, to);
    }
    bool ReplaceFile(const std::string& from, const std::string& to) override {
        return Check("replace " + to) && Unflushed(to) && real_.ReplaceFile(from, to);
    }
    bool CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) override {
        return Check("copy to " + to) && Unflushed(to) && real_.CopyFile(from, to, fail_if_exists);
    }
    bool SetLastWriteTime(const std::string& path, const platform::FileTime& time) override {
        return Check("set the time of " + path) && real_.SetLastWriteTime(path, time);
    }
    bool FlushVolume(const std::string& path) override {
        const bool flushed = real_.FlushVolume(path);
        if (flushed) not_on_disk.clear();
        return flushed;
    }

    int64_t unflushed = 0;
    int journal_writes = 0;
    std::string journal_text;             // every byte written to a journal
    std::set<std::string> not_on_disk;    // the run's files and names not yet flushed

private:
    class WatchedFile : public platform::File {
    public:
        WatchedFile(std::unique_ptr<platform::File> file, WriteAheadWatch& watch, std::string path, bool journal)
            : file_(std::move(file)), watch_(watch), path_(std::move(path)), journal_(journal) {}
        int64_t Read(void* buffer, int64_t count) override { return file_->Read(buffer, count); }
        int64_t Write(const void* buffer, int64_t count) override {
            if (!journal_) {
                watch_.Check("write a file");
                watch_.Unflushed(path_);
                return file_->Write(buffer, count);
            }
            const std::string bytes(static_cast<const char*>(buffer), static_cast<size_t>(count));
            if (bytes.starts_with("C\t") && !watch_.not_on_disk.empty()) {
                ADD_FAILURE() << "the completion record is written before " << *watch_.not_on_disk.begin()
                              << " is on the disk";
            }
            watch_.unflushed += count;
            watch_.journal_text += bytes;
            ++watch_.journal_writes;
            return file_->Write(buffer, count);
        }
        int64_t Seek(int64_t offset, platform::SeekOrigin origin) override { return file_->Seek(offset, origin); }
        int64_t Size() override { return file_->Size(); }
        bool SetSize(int64_t size) override { return (journal_ || watch_.Check("cut a file")) && file_->SetSize(size); }
        bool GetLastWriteTime(platform::FileTime& time) override { return file_->GetLastWriteTime(time); }
        bool SetLastWriteTime(const platform::FileTime& time) override {
            return watch_.Check("set a file's time") && file_->SetLastWriteTime(time);
        }
        bool Flush() override {
            const bool flushed = file_->Flush();
            if (flushed && journal_) watch_.unflushed = 0;
            if (flushed && !journal_) watch_.not_on_disk.erase(path_);
            return flushed;
        }

    private:
        std::unique_ptr<platform::File> file_;
        WriteAheadWatch& watch_;
        std::string path_;
        bool journal_;
    };

    bool Check(const std::string& change) {
        if (unflushed > 0) ADD_FAILURE() << "about to " << change << " while the journal holds unflushed bytes";
        return true;
    }
    bool Unflushed(const std::string& path) {
        not_on_disk.insert(path);
        return true;
    }
};

// Installations that complete (one of them keeping a file in use for the next restart), fail
// at their end, and are recovered after a crash all flush each journal record before the
// change it announces, and every file before the record that the run completed.
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

    setup::SetupLog log{"C:\\run.log"};
    setup::RecordingDialogs silent{nullptr, log, [](int) {}};
    platform::Services answering;
    answering.dialogs = &silent;
    platform::ScopedServices silent_scope(answering);
    settings_ = ProductSettings();
    settings_.replace_in_use_at_restart = true;
    platform::PosixMachine::MarkInUse("C:\\windows\\system32\\VE4.DLL", true);
    Install(payload);
    EXPECT_EQ(platform::PosixMachine::ReplacesAtRestart().size(), 1u);
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
