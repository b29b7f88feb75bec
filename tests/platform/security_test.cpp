// The trust rules over descriptors the tests write as strings, the descriptor of a protected
// directory, and the posix backend's model of owners, writers and links.

#include "platform/security.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform_fixture.h"

#ifndef _WIN32
#include <unistd.h>

#include "platform/posix/posix_machine.h"
#endif

namespace {

using platform::TrustVerdict;

constexpr const char* kOwnAccount = "S-1-5-21-7-7-7-1000";

using platform::Owners;

struct JudgeCase {
    const char* descriptor;
    TrustVerdict kept;      // where the system keeps owners
    TrustVerdict not_kept;  // where every object reads as the program's account's
};

// Each case is one way a folder of an administrator's may be found: the verdict says whether
// the program may trust what lies there, on a system that keeps owners and on one that does not.
TEST(Security, JudgesOwnersAndWritersOfADescriptor) {
    constexpr TrustVerdict kTrusted = TrustVerdict::Trusted;
    constexpr TrustVerdict kForeign = TrustVerdict::ForeignOwner;
    constexpr TrustVerdict kWritable = TrustVerdict::WritableByOthers;
    const JudgeCase cases[] = {
        {"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", kTrusted, kTrusted},
        {"O:SYD:(A;;FA;;;SY)(A;;0x1200a9;;;BU)", kTrusted, kTrusted},
        {"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:(A;;FA;;;SY)", kTrusted, kTrusted},
        // The program's own account: an administrator's programs that are not elevated run as
        // it and could have made or changed the object.
        {"O:S-1-5-21-7-7-7-1000D:(A;;FA;;;S-1-5-21-7-7-7-1000)(A;;FRFX;;;WD)", kForeign, kTrusted},
        {"O:BAD:(A;;FA;;;BA)(A;;FA;;;S-1-5-21-7-7-7-1000)", kWritable, kTrusted},
        // Inherit-only entries do nothing to the object itself; the creator's place-holder
        // stands for the trusted owner.
        {"O:BAD:(A;OICIIO;FA;;;BU)(A;OICIIO;GA;;;CO)(A;;FA;;;CO)", kTrusted, kTrusted},
        {"O:S-1-5-21-7-7-7-1001D:(A;;FA;;;SY)", kForeign, kForeign},
        {"O:BUD:(A;;FA;;;SY)", kForeign, kForeign},
        {"D:(A;;FA;;;SY)", kForeign, kForeign},
        {"O:BA", kWritable, kWritable},
        {"O:BAD:NO_ACCESS_CONTROL", kWritable, kWritable},
        // What a folder in the root of a drive gives signed-in users: modify.
        {"O:BAD:(A;;FA;;;BA)(A;;0x1301bf;;;AU)", kWritable, kWritable},
        {"O:BAD:(A;;0x4;;;BU)", kWritable, kWritable},            // append / add a folder
        {"O:BAD:(A;;0x40;;;BU)", kWritable, kWritable},           // delete anything inside
        {"O:BAD:(A;;SD;;;S-1-5-21-7-7-7-1001)", kWritable, kWritable},
        {"O:BAD:(A;;WD;;;WD)", kWritable, kWritable},             // change the permissions
        {"O:BAD:(A;;WO;;;BU)", kWritable, kWritable},             // take ownership
        {"O:BAD:(A;;GW;;;BU)", kWritable, kWritable},
        {"O:BAD:(A;;FA;;;LA)", kWritable, kWritable},             // an account the rules do not know
    };
    for (const JudgeCase& test : cases) {
        SCOPED_TRACE(test.descriptor);
        const std::optional<platform::SecurityDescriptor> descriptor = platform::ParseSecurityDescriptor(test.descriptor);
        ASSERT_TRUE(descriptor);
        EXPECT_EQ(platform::JudgeDescriptor(*descriptor, kOwnAccount, Owners::Kept), test.kept);
        EXPECT_EQ(platform::JudgeDescriptor(*descriptor, kOwnAccount, Owners::NotKept), test.not_kept);
    }
    EXPECT_FALSE(platform::ParseSecurityDescriptor("O:BAD:(A;;FA;;;SY"));
    EXPECT_FALSE(platform::ParseSecurityDescriptor("D:(A;;XX;;;SY)"));
}

// The program's protected directories: owned by the Administrators group, nothing inherited,
// SYSTEM and Administrators in full, ordinary users nothing or read and execute, and the rules
// trust what they describe on either kind of system.
TEST(Security, ProtectedDirectoryDescriptorLetsOnlyAdministratorsWrite) {
    EXPECT_EQ(platform::ProtectedDirectoryDescriptor(platform::UserAccess::None),
              "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
    EXPECT_EQ(platform::ProtectedDirectoryDescriptor(platform::UserAccess::ReadAndExecute),
              "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    for (const platform::UserAccess users : {platform::UserAccess::None, platform::UserAccess::ReadAndExecute}) {
        const std::optional<platform::SecurityDescriptor> descriptor =
            platform::ParseSecurityDescriptor(platform::ProtectedDirectoryDescriptor(users));
        ASSERT_TRUE(descriptor);
        EXPECT_TRUE(descriptor->access_list_protected);
        EXPECT_EQ(platform::JudgeDescriptor(*descriptor, kOwnAccount, Owners::Kept), TrustVerdict::Trusted);
        EXPECT_EQ(platform::JudgeDescriptor(*descriptor, kOwnAccount, Owners::NotKept), TrustVerdict::Trusted);
    }
}

// A directory the program makes for itself is trusted where it runs (under Wine the owner is
// the account the program runs as), and an existing one is never taken for a new one.
TEST(Security, ProtectedDirectoryIsTrustedAndNeverMadeOverAnExistingOne) {
    platform_test::ScratchFolder scratch;
    platform::Security& security = platform::SecurityServices();
    EXPECT_FALSE(security.CurrentAccount().empty());
    ASSERT_TRUE(security.CreateProtectedDirectory(scratch.Path("kept"), platform::UserAccess::None));
    EXPECT_EQ(security.CheckTrusted(scratch.Path("kept")), TrustVerdict::Trusted);
    EXPECT_FALSE(security.CreateProtectedDirectory(scratch.Path("kept"), platform::UserAccess::None));
    EXPECT_EQ(security.CheckTrusted(scratch.Path("nothing")), TrustVerdict::Missing);
}

#ifndef _WIN32

// The posix machine's marks and links feed the same rules: a foreign owner, a writer besides
// administrators, a symbolic link (reported as a reparse point by GetAttributes and listings,
// and removed itself, never what it leads to).
TEST(Security, PosixMarksAndLinksAreJudgedAsWindowsWould) {
    platform_test::ScratchFolder scratch;
    platform::Security& security = platform::SecurityServices();
    platform::FileSystem& files = platform::Files();
    scratch.Write("foreign.txt", "f");
    scratch.Write("open.txt", "o");
    platform::PosixMachine::MarkForeignOwner(scratch.Path("foreign.txt"));
    platform::PosixMachine::MarkWritableByOthers(scratch.Path("open.txt"));
    EXPECT_EQ(security.CheckTrusted(scratch.Path("foreign.txt")), TrustVerdict::ForeignOwner);
    EXPECT_EQ(security.CheckTrusted(scratch.Path("open.txt")), TrustVerdict::WritableByOthers);

    ASSERT_TRUE(files.CreateDirectory(scratch.Path("target")));
    scratch.Write("target\\kept.txt", "k");
    const std::string host = platform::PosixMachine::HostPath(scratch.Folder());
    ASSERT_EQ(::symlink((host + "/target").c_str(), (host + "/link").c_str()), 0);
    ASSERT_EQ(::symlink((host + "/nowhere").c_str(), (host + "/dangling").c_str()), 0);
    EXPECT_EQ(security.CheckTrusted(scratch.Path("link")), TrustVerdict::ReparsePoint);
    EXPECT_EQ(files.GetAttributes(scratch.Path("link")),
              platform::attribute::kDirectory | platform::attribute::kReparsePoint);
    EXPECT_EQ(files.GetAttributes(scratch.Path("dangling")), platform::attribute::kReparsePoint);
    int links_listed = 0;
    for (const platform::DirectoryEntry& entry : files.ListDirectory(scratch.Folder())) {
        if ((entry.attributes & platform::attribute::kReparsePoint) != 0) ++links_listed;
    }
    EXPECT_EQ(links_listed, 2);
    EXPECT_TRUE(files.RemoveDirectory(scratch.Path("link")));
    EXPECT_TRUE(files.DeleteFile(scratch.Path("dangling")));
    EXPECT_EQ(scratch.Read("target\\kept.txt"), "k");
}

#endif

}  // namespace
