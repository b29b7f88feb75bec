// The one form of a folder path: whatever way a destination was typed, it is named the same
// way afterwards, and forms the program cannot use as a local folder are told apart.

#include <gtest/gtest.h>

#include "platform/path_form.h"
#include "platform_fixture.h"
#include "support/forwarding_file_system.h"

namespace {

using platform::PathForm;

// A machine whose drive Q: is mapped to a network share.
class NetworkDriveQ : public test_support::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    platform::DriveType GetDriveType(const std::string& root) override {
        return root.starts_with("Q:") ? platform::DriveType::Remote : real_.GetDriveType(root);
    }
};

TEST(PathForm, EveryWayOfNamingAFolderEndsInOneForm) {
    platform_test::ScratchFolder scratch;
    ASSERT_TRUE(platform::Files().ForceDirectories(scratch.Path("Base Product\\LIB")));
    NetworkDriveQ files(platform::Files());
    std::string folder;
    ASSERT_EQ(platform::NormaliseFolderPath(files, scratch.Folder(), folder), PathForm::Normalised);
    const std::string base = folder + "\\Base Product";
    struct Row {
        std::string typed;
        PathForm form;
        std::string normalised;
    };
    const Row rows[] = {
        {base, PathForm::Normalised, base},
        {base + "\\", PathForm::Normalised, base},
        {base + "\\\\", PathForm::Normalised, base},
        {base + "\\LIB\\..\\.\\", PathForm::Normalised, base},
        {folder + "\\base product", PathForm::Normalised, folder + "\\base product"},  // a long name as typed
        {folder + "/Base Product/LIB", PathForm::Normalised, base + "\\LIB"},
        {base + "\\New\\\\Deeper\\", PathForm::Normalised, base + "\\New\\Deeper"},  // kept as typed
        {std::string(1, static_cast<char>(std::tolower(folder[0]))) + folder.substr(1), PathForm::Normalised, folder},
        {"Base Product", PathForm::Relative, ""},
        {"\\Base Product", PathForm::Relative, ""},
        {folder.substr(0, 2) + "Base Product", PathForm::Relative, ""},
        {"\\\\?\\" + base, PathForm::DevicePath, ""},
        {"\\\\.\\" + base, PathForm::DevicePath, ""},
        {"\\\\server\\share\\VE4", PathForm::Network, ""},
        {"//server/share/VE4", PathForm::Network, ""},
        {"Q:\\VE4", PathForm::Network, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        std::string normalised = "untouched";
        EXPECT_EQ(platform::NormaliseFolderPath(files, row.typed, normalised), row.form);
        EXPECT_EQ(normalised, row.form == PathForm::Normalised ? row.normalised : "untouched");
    }
}

}  // namespace
