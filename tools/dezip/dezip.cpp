// dezip: a command-line extractor over the program's own ZIP component. It lists, tests or
// extracts an archive (or the entries matching patterns) and reports every entry it had to
// skip. Exit codes: 0 every selected entry extracted and checked, 1 some skipped or failed
// their CRC, 2 the archive could not be read, 3 a usage error.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "dezip_options.h"
#include "platform/console.h"
#include "platform/dialogs.h"
#include "platform/platform.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"
#include "zip/zip_lib.h"

namespace dezip {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitArchiveUnreadable = 2;
constexpr int kExitUsage = 3;

std::string Shown(const std::string& ansi) { return platform::ConsoleText(ansi); }

// Message boxes of the component become lines on standard error; questions take their
// default answer (the overwrite question is asked by dezip itself).
class ConsoleDialogs : public platform::Dialogs {
public:
    platform::DialogResult ShowMessage(const std::string& text, platform::MessageKind, unsigned button_set,
                                       platform::DialogResult default_button, const std::string& caption) override {
        std::cerr << "dezip: " << (caption.empty() ? "" : Shown(caption) + ": ") << Shown(text) << "\n";
        if (default_button != platform::DialogResult::None) return default_button;
        return (button_set & platform::buttons::kOk) != 0 ? platform::DialogResult::Ok : platform::DialogResult::Cancel;
    }
    bool SelectDirectory(std::string&, bool) override { return false; }
    bool OpenFile(const std::string&, const std::string&, std::string&) override { return false; }
    void ProcessMessages() override {}
    void SetBusyCursor(bool) override {}
};

const char* MethodName(int method) {
    switch (method) {
        case 0: return "Stored";
        case 1: return "Shrunk";
        case 2: return "Reduce1";
        case 3: return "Reduce2";
        case 4: return "Reduce3";
        case 5: return "Reduce4";
        case 6: return "Implode";
        case 8: return "Deflate";
        default: return "Unknown";
    }
}

std::string DosDateText(uint32_t dos_date_time) {
    const unsigned time = dos_date_time & 0xFFFF;
    const unsigned date = dos_date_time >> 16;
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", 1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F,
                  time >> 11, (time >> 5) & 0x3F);
    return text;
}

int List(zip::TZipExtractor& extractor) {
    extractor.OpenArchive();
    std::cout << "Archive:  " << Shown(extractor.ZipName()) << "\n";
    const std::string archive_comment = extractor.ArchiveComment();
    if (!archive_comment.empty()) std::cout << Shown(archive_comment) << "\n";
    std::cout << "    Length  Method     Size  Cmpr  Date       Time   CRC-32    Name\n"
                 "----------  -------  ----------  ----  ---------- -----  --------  ----\n";
    int64_t total_length = 0;
    int64_t total_size = 0;
    const int count = extractor.Count();
    for (int i = 0; i < count; ++i) {
        const zip::TZipHeaderInfo& entry = extractor.Entry(i);
        const int64_t length = static_cast<uint32_t>(entry.UncompressedSize);
        const int64_t size = static_cast<uint32_t>(entry.CompressedSize);
        const int ratio = length > 0 ? static_cast<int>(100 - (size * 100 + length / 2) / length) : 0;
        char line[160];
        std::snprintf(line, sizeof line, "%10lld  %-7s  %10lld  %3d%%  %s  %08x %s", static_cast<long long>(length),
                      MethodName(entry.CompressionMethod), static_cast<long long>(size), ratio < 0 ? 0 : ratio,
                      DosDateText(entry.LastModFileDateTime).c_str(), static_cast<unsigned>(entry.CRC32),
                      entry.Encrypted() ? "*" : " ");
        std::cout << line << Shown(extractor.EntryFullName(i)) << "\n";
        const std::string comment = extractor.EntryComment(i);
        if (!comment.empty()) std::cout << "            " << Shown(comment) << "\n";
        total_length += length;
        total_size += size;
    }
    char footer[320];
    std::snprintf(footer, sizeof footer,
                  "----------           ----------                                   ----\n"
                  "%10lld           %10lld                                   %d file%s\n",
                  static_cast<long long>(total_length), static_cast<long long>(total_size), count, count == 1 ? "" : "s");
    std::cout << footer;
    extractor.CloseArchive();
    return kExitOk;
}

const char* SkipText(zip::TSkipReason reason) {
    switch (reason) {
        case zip::srBadPassword: return "incorrect password";
        case zip::srNoOverwrite: return "file exists, not overwritten";
        case zip::srFileOpenError: return "cannot open file";
        case zip::srUnsafePath: return "unsafe name (outside the destination, a device or a drive)";
    }
    return "skipped";
}

// Asks on the terminal; "A" and "N" answer every later question too.
class OverwriteQuestion {
public:
    bool Ask(const std::string& name) {
        if (all_ != 0) return all_ > 0;
        std::cerr << "replace " << Shown(name) << "? [y]es, [n]o, [A]ll, [N]one: " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer) || answer.empty()) return false;
        if (answer[0] == 'A') all_ = 1;
        if (answer[0] == 'N') all_ = -1;
        return answer[0] == 'y' || answer[0] == 'Y' || answer[0] == 'A';
    }

private:
    int all_ = 0;
};

int ExtractOrTest(zip::TZipExtractor& extractor, const Options& options) {
    const bool testing = options.action == Action::Test;
    const bool progress = !options.quiet && platform::StandardErrorIsTerminal();
    bool problems = false;
    int selected = 0;
    OverwriteQuestion question;

    extractor.TestOnly = testing;
    extractor.RecreateDirs = true;
    extractor.DoAll = options.patterns.empty();
    extractor.FilesList = options.patterns;
    extractor.SetDestDir(options.destination.empty() ? std::string(".") : options.destination);
    extractor.OverwriteMode = options.overwrite == Overwrite::Always  ? zip::TUZOverwriteMode::Always
                              : options.overwrite == Overwrite::Never ? zip::TUZOverwriteMode::Never
                                                                      : zip::TUZOverwriteMode::Prompt;
    extractor.OnPromptForOverwrite = [&question](zip::TZipExtractor&, bool& overwrite_it, int, std::string& name) {
        overwrite_it = question.Ask(name);
    };
    extractor.OnStartUnZipInfo = [&selected](zip::TZipExtractor&, int number, int64_t, bool&) { selected = number; };
    extractor.OnEndUnZip = [&](zip::TZipExtractor& sender, int index, const std::string& name) {
        if (progress) std::cerr << "\r\033[K";
        if (options.quiet) return;
        if (testing) {
            std::cout << "    testing: " << Shown(sender.EntryFullName(index)) << "   OK\n";
        } else {
            std::cout << "  extracted: " << Shown(name) << "\n";
        }
    };
    extractor.OnSkippingFile = [&](zip::TZipExtractor&, zip::TSkipReason reason, const std::string& name, int) {
        problems = true;
        if (progress) std::cerr << "\r\033[K";
        std::cerr << "dezip: skipping " << Shown(name) << ": " << SkipText(reason) << "\n";
    };
    extractor.OnBadCRC = [&](zip::TZipExtractor& sender, uint32_t calculated, uint32_t stored, int index) {
        problems = true;
        if (progress) std::cerr << "\r\033[K";
        char crcs[64];
        std::snprintf(crcs, sizeof crcs, " (computed %08x, stored %08x)", static_cast<unsigned>(calculated),
                      static_cast<unsigned>(stored));
        std::cerr << "dezip: bad CRC in " << Shown(sender.EntryFullName(index)) << crcs << "\n";
    };
    if (progress) {
        extractor.OnTotalPercentDone = [](zip::TZipExtractor&, int percent) {
            std::cerr << "\r" << percent << "% " << std::flush;
        };
    }
    const int extracted = extractor.UnZip();
    if (progress) std::cerr << "\r\033[K" << std::flush;
    if (!options.quiet) {
        std::cout << (testing ? "tested " : "extracted ") << extracted << " of " << selected << " selected entr"
                  << (selected == 1 ? "y" : "ies") << "\n";
    }
    return problems || extracted != selected ? kExitSomeFailed : kExitOk;
}

}  // namespace

int Run(const std::vector<std::string>& arguments) {
    Options options;
    std::string error;
    if (!ParseOptions(arguments, options, error)) {
        if (!error.empty()) std::cerr << "dezip: " << error << "\n";
        std::cerr << UsageText();
        return error.empty() ? kExitOk : kExitUsage;
    }
    ConsoleDialogs dialogs;
    platform::Services services = platform::Current();
    services.dialogs = &dialogs;
    platform::ScopedServices scoped(services);

    zip::TZipExtractor extractor;
    extractor.DoProcessMessages = false;
    extractor.SetZipName(options.archive);
    if (options.has_password) extractor.Password = options.password;
    try {
        if (options.action == Action::List) return List(extractor);
        return ExtractOrTest(extractor, options);
    } catch (const zip::EUserCanceled& failure) {
        std::cerr << "dezip: " << Shown(options.archive) << ": " << failure.what() << "\n";
    } catch (const zip::Exception& failure) {
        std::cerr << "dezip: " << Shown(options.archive) << ": " << Shown(failure.what()) << "\n";
    } catch (const std::exception& failure) {
        std::cerr << "dezip: " << Shown(options.archive) << ": " << failure.what() << "\n";
    }
    return kExitArchiveUnreadable;
}

}  // namespace dezip

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(platform::ArgumentText(argv[i]));
    return dezip::Run(arguments);
}
