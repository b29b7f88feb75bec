// Archives on removable disks: the component asks for each disk and checks that the label
// of the disk in the drive ends in the disk's number before it reads from it. Needs the
// posix backend's machine (drives with labels), so the win32 build leaves it out.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/posix_machine.h"
#include "recording_dialogs.h"
#include "support/archive_builder.h"
#include "support/temp_folder.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"

namespace {

// Answers the insert-disk question by putting the wanted disk into drive A: first.
class DiskChanger : public zip_test::RecordingDialogs {
public:
    platform::DialogResult ShowMessage(const std::string& text, platform::MessageKind kind, unsigned buttons,
                                       platform::DialogResult default_button, const std::string& caption) override {
        const platform::DialogResult answer =
            RecordingDialogs::ShowMessage(text, kind, buttons, default_button, caption);
        if (answer == platform::DialogResult::Ok) platform::PosixMachine::SetRemovableDrive('a', true, next_label);
        return answer;
    }
    std::string next_label = "DISK001";
};

class RemovableVolumes : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(std::filesystem::path(machine.HostRoot()) / "a");
        platform::PosixMachine::SetRemovableDrive('a', true, "DISK002");
        test_support::ArchiveBuilder builder;
        builder.Add("readme.txt", "from the first disk");
        builder.this_disk = 1;  // the end record is on disk 2; the entry on disk 1
        platform::Files().CreateDirectory("C:\\out");
        auto file = platform::Files().OpenFile("A:\\pack.zip", platform::OpenMode::Create);
        const std::string bytes = builder.Build();
        file->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        file.reset();
        extractor.SetZipName("A:\\pack.zip");
        extractor.SetDestDir("C:\\out");
        extractor.DoAll = true;
    }

    platform::ScopedMachineRoot machine;
    DiskChanger dialogs;
    zip::TZipExtractor extractor;
};

TEST_F(RemovableVolumes, AsksForTheDiskAndReadsItOnceItsLabelMatches) {
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_EQ(extractor.VolumeMode(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], ": Please insert disk 1 of the multi-disk set.");
    auto file = platform::Files().OpenFile("C:\\out\\readme.txt", platform::OpenMode::Read);
    ASSERT_TRUE(file);
    std::string content(64, '\0');
    content.resize(static_cast<size_t>(file->Read(content.data(), 64)));
    EXPECT_EQ(content, "from the first disk");
}

TEST_F(RemovableVolumes, AWrongLabelAsksAgainAndCancelEndsTheRun) {
    dialogs.next_label = "OTHER";
    dialogs.answers = {platform::DialogResult::Ok, platform::DialogResult::Cancel};
    try {
        extractor.UnZip();
        FAIL() << "no exception";
    } catch (const zip::EUserCanceled& error) {
        EXPECT_STREQ(error.what(), "User canceled loading new disk.");
    }
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

}  // namespace

#endif  // _WIN32
