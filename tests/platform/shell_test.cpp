// Shortcuts and command lines: what the final stage writes must read back the same.

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/command_line.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/shell_link_format.h"
#include "platform/shortcut.h"
#include "platform_fixture.h"

namespace {

using platform::Files;

TEST(Shortcut, WrittenShortcutReadsBack) {
    platform_test::ScratchFolder scratch;
    ASSERT_TRUE(Files().ForceDirectories(scratch.Path("VE4")));
    scratch.Write("VE4\\ve4.exe", "MZ");
    ASSERT_TRUE(Files().ForceDirectories(scratch.Path("Programs\\Group")));
    const std::string link = scratch.Path("Programs\\Group\\Task book.lnk");
    const std::string target = scratch.Path("VE4\\ve4.exe");
    ASSERT_TRUE(platform::ShellServices().CreateShortcut(link, target, "-l ru \"a b\"", scratch.Path("VE4")));
    EXPECT_TRUE(Files().FileExists(link));

    const auto read = platform::ReadShortcut(link);
    ASSERT_TRUE(read);
    EXPECT_TRUE(platform::SameTextIgnoreCase(read->target, target)) << read->target;
    EXPECT_EQ(read->arguments, "-l ru \"a b\"");
    EXPECT_TRUE(platform::SameTextIgnoreCase(read->working_directory, scratch.Path("VE4")));
}

// The two directions across the backends: on win32 these check the link writer against the
// shell's loader and the link reader against the shell's writer.
TEST(Shortcut, EncodedLinkLoadsAndWrittenLinkDecodes) {
    platform_test::ScratchFolder scratch;
    scratch.Write("app.exe", "MZ");
    const std::string target = scratch.Path("app.exe");
    const platform::ShellLinkContent content{scratch.Path("encoded.lnk"), target, "-l en", scratch.Folder(), 0x20, 2, {}};
    scratch.Write("encoded.lnk", platform::EncodeShellLink(content));
    const auto loaded = platform::ReadShortcut(scratch.Path("encoded.lnk"));
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(platform::SameTextIgnoreCase(loaded->target, target)) << loaded->target;
    EXPECT_EQ(loaded->arguments, "-l en");
    EXPECT_TRUE(platform::SameTextIgnoreCase(loaded->working_directory, scratch.Folder()));

    ASSERT_TRUE(platform::ShellServices().CreateShortcut(scratch.Path("written.lnk"), target, "-x \"y z\"",
                                                        scratch.Folder()));
    const auto decoded = platform::DecodeShellLink(scratch.Read("written.lnk"), scratch.Path("written.lnk"));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(platform::SameTextIgnoreCase(decoded->target, target)) << decoded->target;
    EXPECT_EQ(decoded->arguments, "-x \"y z\"");
    EXPECT_TRUE(platform::SameTextIgnoreCase(decoded->working_directory, scratch.Folder()));
}

TEST(Shortcut, CreationFailsWhenTheFolderIsMissing) {
    platform_test::ScratchFolder scratch;
    EXPECT_FALSE(platform::ShellServices().CreateShortcut(scratch.Path("no\\such.lnk"), scratch.Path("x.exe"), "", ""));
    EXPECT_FALSE(platform::ReadShortcut(scratch.Path("no\\such.lnk")));
}

TEST(Shortcut, ReadingRefusesWhatIsNoLink) {
    platform_test::ScratchFolder scratch;
    scratch.Write("fake.lnk", std::string("\x4C\0\0\0garbage", 11));
    EXPECT_FALSE(platform::ReadShortcut(scratch.Path("fake.lnk")));
    EXPECT_FALSE(platform::DecodeShellLink("", "C:\\x.lnk"));
}

// A default value read before it is written over comes back exactly; a key that had none loses
// the value given to it and stays. On win32 this runs against the system's registry.
TEST(ClassesRoot, AValueReadComesBackExactly) {
    platform_test::ScratchFolder scratch;  // on posix, the machine root that holds the registry
    platform::Shell& shell = platform::ShellServices();
    const std::string key = "VIrovARI2.ShellTest";
    std::optional<platform::RegistryValue> value;
    EXPECT_FALSE(shell.ReadClassesRootValue(key, value)) << "a missing key";
    ASSERT_TRUE(shell.SetClassesRootValue(key + "\\DefaultIcon", "icons.dll,\t1\r\n\xC0"));
    ASSERT_TRUE(shell.ReadClassesRootValue(key, value));
    EXPECT_FALSE(value) << "a parent made with its subkey has no value";

    std::optional<platform::RegistryValue> icon;
    ASSERT_TRUE(shell.ReadClassesRootValue(key + "\\DefaultIcon", icon));
    ASSERT_TRUE(icon);
    ASSERT_TRUE(shell.SetClassesRootValue(key + "\\DefaultIcon", "other"));
    ASSERT_TRUE(shell.SetClassesRootValue(key, "given"));
    ASSERT_TRUE(shell.RestoreClassesRootValue(key + "\\DefaultIcon", icon));
    ASSERT_TRUE(shell.RestoreClassesRootValue(key, std::nullopt));

    std::optional<platform::RegistryValue> restored;
    ASSERT_TRUE(shell.ReadClassesRootValue(key + "\\DefaultIcon", restored));
    EXPECT_EQ(restored, icon);
    ASSERT_TRUE(shell.ReadClassesRootValue(key, value));
    EXPECT_FALSE(value);
    EXPECT_TRUE(shell.DeleteClassesRootKey(key));
}

TEST(ShellLinkFormat, EncodesHeaderLocationAndAnsiStrings) {
    const platform::ShellLinkContent content{"C:\\Menu\\App.lnk", "C:\\VE4\\bin\\ve4.exe", "-x", "C:\\VE4", 0x20, 5, {}};
    const std::string bytes = platform::EncodeShellLink(content);
    ASSERT_GE(bytes.size(), 76u);
    EXPECT_EQ(bytes.substr(0, 20), std::string("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20));
    EXPECT_EQ(static_cast<unsigned char>(bytes[20]), 0x02 | 0x08 | 0x10 | 0x20) << "link info, relative path, "
                                                                                   "working directory, arguments; "
                                                                                   "not unicode";
    EXPECT_NE(bytes.find(std::string("C:\\VE4\\bin\\ve4.exe\0", 19)), std::string::npos);
    EXPECT_NE(bytes.find(std::string("\x12\0..\\VE4\\bin\\ve4.exe", 20)), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));

    const auto decoded = platform::DecodeShellLink(bytes, content.link_path);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, (platform::ShortcutInfo{"C:\\VE4\\bin\\ve4.exe", "-x", "C:\\VE4"}));
    for (size_t cut = 0; cut < bytes.size() - 4; cut += 7) {
        SCOPED_TRACE(cut);
        const auto truncated = platform::DecodeShellLink(bytes.substr(0, cut), content.link_path);
        EXPECT_TRUE(!truncated || truncated->arguments.empty()) << "a cut link never reads past its end";
    }
}

TEST(ShellLinkFormat, DecodesUnicodeStringsAndRelativeOnlyLinks) {
    std::string bytes(76, '\0');
    bytes[0] = 0x4C;
    const std::string link_id("\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 16);
    bytes.replace(4, 16, link_id);
    bytes[20] = static_cast<char>(0x08 | 0x20 | 0x80);
    const std::u16string relative = u"..\\Bin\\\u0444.exe";  // ф
    bytes += static_cast<char>(relative.size());
    bytes += '\0';
    for (char16_t unit : relative) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    bytes += std::string("\x02\0-\0q\0", 6);
    const auto decoded = platform::DecodeShellLink(bytes, "C:\\Menu\\Sub\\x.lnk");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->target, "C:\\Menu\\Bin\\\xF4.exe");
    EXPECT_EQ(decoded->arguments, "-q");
}

TEST(ShellLinkFormat, RelativePaths) {
    EXPECT_EQ(platform::RelativeLinkPath("C:\\A\\B\\l.lnk", "C:\\A\\B\\t.exe"), ".\\t.exe");
    EXPECT_EQ(platform::RelativeLinkPath("C:\\A\\B\\l.lnk", "c:\\a\\C\\t.exe"), "..\\C\\t.exe");
    EXPECT_EQ(platform::RelativeLinkPath("C:\\l.lnk", "C:\\t.exe"), ".\\t.exe");
    EXPECT_EQ(platform::RelativeLinkPath("C:\\A\\l.lnk", "D:\\t.exe"), "");
}

TEST(CommandLine, SplitsLikeTheRuntime) {
    using platform::FirstItem;
    using platform::SplitCommandLine;
    using Items = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\s.exe\" -l ru", FirstItem::Program),
              (Items{"C:\\Program Files\\s.exe", "-l", "ru"}));
    EXPECT_EQ(SplitCommandLine("C:\\dir\\s.exe\\ \"a b\"\t c", FirstItem::Program), (Items{"C:\\dir\\s.exe\\", "a b", "c"}));
    EXPECT_EQ(SplitCommandLine("a\\\\\\\"b \"c\\\\\" d\\e \"\"", FirstItem::Argument), (Items{"a\\\"b", "c\\", "d\\e", ""}));
    EXPECT_EQ(SplitCommandLine("\"say \"\"hi\"\"\"", FirstItem::Argument), (Items{"say \"hi\""}));
    EXPECT_EQ(SplitCommandLine("   ", FirstItem::Program), Items{});
    // What follows the program's path stays as written, for switches read from it.
    EXPECT_EQ(platform::CommandLineAfterProgram("\"C:\\Program Files\\s.exe\" /D=C:\\a  b"), " /D=C:\\a  b");
}

TEST(CommandLine, QuotedItemsSplitBackUnchanged) {
    const std::vector<std::string> items = {"plain", "with blank", "quote\"inside", "trailing\\", "tail \\\\", ""};
    std::string line;
    for (const std::string& item : items) line += platform::QuoteCommandLineItem(item) + " ";
    EXPECT_EQ(platform::SplitCommandLine(line, platform::FirstItem::Argument), items);
}

}  // namespace
