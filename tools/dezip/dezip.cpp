// dezip: a command-line extractor over the program's own ZIP component. It lists, tests or
// extracts an archive (or the entries matching patterns), to files or to standard output,
// and reports every entry it had to skip; an entry that fails does not stop the others. The
// exit codes follow the usual unzip conventions (see UsageText): 0 all well, 1 some entries
// failed, 2 the archive could not be read or is damaged, 3 a usage error, 11 a pattern
// matched nothing, 12 entries overlap, 50 an output file could not be written, 81 an entry
// needs a newer version.

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "dezip_options.h"
#include "parallel_run.h"
#include "replaced_file.h"
#include "report.h"
#include "platform/console.h"
#include "platform/dialogs.h"
#include "platform/platform.h"
#include "zip/stream.h"
#include "zip/wildcard_match.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"
#include "zip/zip_lib.h"

namespace dezip {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitArchiveUnreadable = 2;
constexpr int kExitUsage = 3;
constexpr int kExitNoMatch = 11;
constexpr int kExitWriteFailed = 50;
constexpr int kExitOverlap = 12;
constexpr int kExitUnsupported = 81;

std::string Shown(const std::string& ansi) { return platform::ConsoleText(ansi); }

// Message boxes of the component become lines on standard error; questions take their
// default answer (the overwrite question is asked by dezip itself).
class ConsoleDialogs : public platform::Dialogs {
public:
    platform::DialogResult ShowMessage(const std::string& text, platform::MessageKind, unsigned button_set,
                                       platform::DialogResult default_button, const std::string& caption) override {
        const std::string line = "dezip: " + (caption.empty() ? "" : Shown(caption) + ": ") + Shown(text) + "\n";
        if (ThreadReport() != nullptr) ThreadReport()->Err(line);
        else std::cerr << line;
        if (default_button != platform::DialogResult::None) return default_button;
        return (button_set & platform::buttons::kOk) != 0 ? platform::DialogResult::Ok : platform::DialogResult::Cancel;
    }
    bool SelectDirectory(std::string&, bool) override { return false; }
    bool OpenFile(const std::string&, const std::string&, std::string&) override { return false; }
    void ProcessMessages() override {}
    void SetBusyCursor(bool) override {}
};

// Standard output as the stream that dezip -p hands the component.
class StandardOutputStream : public zip::TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void* buffer, int64_t count) override {
        std::cout.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(count));
        return std::cout ? count : 0;
    }
    int64_t Seek(int64_t, int) override { return 0; }
    void SetSize(int64_t) override {}
};

// The failures of writing an output file (a full disk, say), as the decoders report them.
bool IsWriteFailure(const zip::Exception& failure) {
    const std::string text = failure.what();
    return text == "Stream write error" || text.rfind("Cannot write file", 0) == 0;
}

// The patterns that select no entry, each reported as unzip does.
bool ReportUnmatchedPatterns(zip::TZipExtractor& extractor, const std::vector<std::string>& patterns) {
    bool unmatched = false;
    for (const std::string& pattern : patterns) {
        bool matched = false;
        for (int i = 0; i < extractor.Count() && !matched; ++i) {
            matched = zip::WildcardMatch(zip::AsciiLower(MatcherPattern(pattern)),
                                         zip::AsciiLower(extractor.EntryFullName(i))) == zip::kWildcardMatch;
        }
        if (matched) continue;
        std::cerr << "dezip: caution: filename not matched: " << Shown(pattern) << "\n";
        unmatched = true;
    }
    return unmatched;
}

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
        case 9: return "Deflate64";
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
        const int64_t length = static_cast<int64_t>(entry.UncompressedSize);
        const int64_t size = static_cast<int64_t>(entry.CompressedSize);
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
        case zip::srFileOpenError: return "cannot create file";
        case zip::srUnsafePath:
            return "unsafe name (outside the destination, a device, a drive, or not valid in the code page)";
    }
    return "skipped";
}

// The exit code of an entry refused as damaged, as unzip gives it for the same fault.
int DamageExitCode(zip::TEntryDamage damage) {
    if (damage == zip::TEntryDamage::Overlap) return kExitOverlap;
    if (damage == zip::TEntryDamage::NewerVersion) return kExitUnsupported;
    return kExitArchiveUnreadable;
}

// Reports a contradiction in the archive's structure and goes on with what can be found:
// a warning is exit code 1, an error 2.
void ReportArchiveDamage(zip::TZipExtractor& extractor, Report& report) {
    extractor.OnArchiveDamage = [&report](zip::TZipExtractor& sender, zip::TDamageLevel level, const std::string& problem) {
        const bool warning = level == zip::TDamageLevel::dlWarning;
        report.RaiseExitCode(warning ? kExitSomeFailed : kExitArchiveUnreadable);
        report.Err(std::string("dezip: ") + (warning ? "warning" : "error") + " [" + Shown(sender.ZipName()) +
                   "]: " + problem + " (attempting to process anyway)\n");
    };
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

// The console as the report of a run on one thread.
class ConsoleReport : public Report {
public:
    explicit ConsoleReport(bool progress) : progress_(progress) {}
    void Out(const std::string& text) override {
        ClearProgress();
        std::cout << text;
    }
    void Err(const std::string& text) override {
        ClearProgress();
        std::cerr << text;
    }
    void ClearProgress() {
        if (progress_) std::cerr << "\r\033[K";
    }

private:
    bool progress_;
};

bool Quiet(const Options& options) { return options.quiet || options.action == Action::Print; }

// Sets up a component for extracting or testing: the options and the events, whose
// messages go to report.
void ConfigureRun(zip::TZipExtractor& extractor, const Options& options, Report& report, OverwriteQuestion& question,
                  zip::TStream* standard_output, int& selected) {
    const bool testing = options.action == Action::Test;
    const bool quiet = Quiet(options);
    extractor.DoProcessMessages = false;
    extractor.ReadSplitArchives = true;
    extractor.SetZipName(options.archive);
    if (options.has_password) extractor.Password = options.password;
    extractor.TestOnly = testing;
    extractor.SkipUncreatableFiles = true;
    extractor.ExtraFieldTimes = true;
    extractor.OutputStream = standard_output;
    extractor.RecreateDirs = true;
    extractor.DoAll = options.patterns.empty();
    extractor.FilesList.clear();
    for (const std::string& pattern : options.patterns) extractor.FilesList.push_back(MatcherPattern(pattern));
    extractor.SetDestDir(options.destination.empty() ? std::string(".") : options.destination);
    extractor.OverwriteMode = options.overwrite == Overwrite::Always  ? zip::TUZOverwriteMode::Always
                              : options.overwrite == Overwrite::Never ? zip::TUZOverwriteMode::Never
                                                                      : zip::TUZOverwriteMode::Prompt;
    extractor.OnPromptForOverwrite = [&question](zip::TZipExtractor&, bool& overwrite_it, int, std::string& name) {
        overwrite_it = question.Ask(name);
    };
    extractor.OnStartUnZipInfo = [&selected](zip::TZipExtractor&, int number, int64_t, bool&) { selected = number; };
    extractor.OnEndUnZip = [&report, quiet, testing](zip::TZipExtractor& sender, int index, const std::string& name) {
        if (quiet) return;
        report.Out(testing ? "    testing: " + Shown(sender.EntryFullName(index)) + "   OK\n"
                           : "  extracted: " + Shown(name) + "\n");
    };
    const bool keep_quietly = options.overwrite == Overwrite::Never;
    extractor.OnSkippingFile = [&report, keep_quietly](zip::TZipExtractor&, zip::TSkipReason reason,
                                                       const std::string& name, int) {
        // -n keeps existing files as asked: nothing to report.
        if (reason == zip::srNoOverwrite && keep_quietly) {
            ++report.kept;
            return;
        }
        report.problems = true;
        report.Err("dezip: skipping " + Shown(name) + ": " + SkipText(reason) + "\n");
    };
    extractor.OnEntryDamaged = [&report](zip::TZipExtractor& sender, zip::TEntryDamage damage, int index) {
        report.problems = true;
        report.RaiseExitCode(DamageExitCode(damage));
        report.Err("dezip: " + Shown(sender.EntryFullName(index)) + ": " + zip::EntryDamageText(damage) + "\n");
    };
    // The archive's own damage is reported once, by the component that reads it first.
    extractor.OnArchiveDamage = [](zip::TZipExtractor&, zip::TDamageLevel, const std::string&) {};
    extractor.OnBadCRC = [&report](zip::TZipExtractor& sender, uint32_t calculated, uint32_t stored, int index) {
        report.problems = true;
        char crcs[64];
        std::snprintf(crcs, sizeof crcs, " (computed %08x, stored %08x)", static_cast<unsigned>(calculated),
                      static_cast<unsigned>(stored));
        report.Err("dezip: bad CRC in " + Shown(sender.EntryFullName(index)) + crcs + "\n");
    };
    // Without -P, an encrypted entry's password is asked for on a terminal (and asked again
    // when the one given fails); an empty answer skips the entry.
    extractor.OnBadPassword = [&options, &report](zip::TZipExtractor& sender, int index, std::string& new_password) {
        if (options.has_password || !platform::StandardInputIsTerminal()) return;
        report.Err("");  // clears a progress line
        std::string typed;
        const std::string prompt = "[" + Shown(sender.ZipName()) + "] " + Shown(sender.EntryFullName(index)) + " password: ";
        if (platform::ReadHiddenLine(prompt, typed) && !typed.empty()) new_password = typed;
    };
}

// Runs the component on this thread. Each file an entry writes over is set aside until the
// entry is done, so that one that is rejected gives the old file back, and a failure that
// ends the run in the middle of an entry leaves nothing of it.
int UnZipOnOneThread(zip::TZipExtractor& extractor) {
    ReplacedFile writing;  // the file of the entry being run, until the entry is done
    extractor.BeforeCreateFile = [&writing](const std::string& output_path) {
        Keep(writing);  // an entry before that was rejected
        return SetAside(output_path, "", writing);
    };
    extractor.OnEndUnZip = [&writing, reported = extractor.OnEndUnZip](zip::TZipExtractor& sender, int index,
                                                                       const std::string& name) {
        Keep(writing);
        writing = {};
        if (reported) reported(sender, index, name);
    };
    try {
        const int extracted = extractor.UnZip();
        Keep(writing);
        return extracted;
    } catch (...) {
        TakeBack(writing);
        throw;
    }
}

// The number of threads a run may use: -j, else one per processor; one whenever a
// question could be asked (an overwrite, or a password for an encrypted entry), when the
// entries go to standard output, or when the archive spans volumes.
int Threads(const Options& options, zip::TZipExtractor& extractor) {
    int threads = options.jobs > 0 ? options.jobs : static_cast<int>(std::thread::hardware_concurrency());
    bool encrypted = false;
    for (int i = 0; i < extractor.Count() && !encrypted; ++i) encrypted = extractor.Entry(i).Encrypted();
    const bool questions = (options.action == Action::Extract && options.overwrite == Overwrite::Ask) ||
                           (encrypted && !options.has_password && platform::StandardInputIsTerminal());
    if (questions || options.action == Action::Print || extractor.EndRecord().ThisDiskNumber > 0) threads = 1;
    return threads < 1 ? 1 : threads;
}

int ExtractOrTest(const Options& options) {
    const bool testing = options.action == Action::Test;
    const bool quiet = Quiet(options);
    const bool progress = !quiet && platform::StandardErrorIsTerminal();
    int selected = 0;
    OverwriteQuestion question;
    StandardOutputStream standard_output;
    ConsoleReport report(progress);
    if (options.action == Action::Print) platform::SetStandardOutputBinary();

    zip::TZipExtractor extractor;
    ConfigureRun(extractor, options, report, question, options.action == Action::Print ? &standard_output : nullptr,
                 selected);
    ReportArchiveDamage(extractor, report);
    if (progress) {
        extractor.OnTotalPercentDone = [](zip::TZipExtractor&, int percent) {
            std::cerr << "\r" << percent << "% " << std::flush;
        };
    }
    extractor.OpenArchive();
    const bool unmatched = ReportUnmatchedPatterns(extractor, options.patterns);
    const int threads = Threads(options, extractor);
    int extracted = 0;
    bool problems = false;
    int kept = 0;
    int exit_code = report.exit_code;
    if (threads == 1) {
        extracted = UnZipOnOneThread(extractor);
        problems = report.problems;
        kept = report.kept;
        exit_code = report.exit_code;
    } else {
        extractor.CloseArchive();
        const ParallelResult result = RunInParallel(threads, [&](zip::TZipExtractor& worker, Report& log, int& count) {
            thread_local OverwriteQuestion no_question;  // never asked: see Threads
            ConfigureRun(worker, options, log, no_question, nullptr, count);
        });
        selected = result.selected;
        extracted = result.extracted;
        problems = result.problems;
        kept = result.kept;
        if (result.exit_code > exit_code) exit_code = result.exit_code;
    }
    std::cout.flush();
    report.ClearProgress();
    std::cerr << std::flush;
    if (!quiet) {
        std::cout << (testing ? "tested " : "extracted ") << extracted << " of " << selected << " selected entr"
                  << (selected == 1 ? "y" : "ies") << "\n";
    }
    if (exit_code != 0) return exit_code;
    if (problems || extracted + kept != selected) return kExitSomeFailed;
    return unmatched ? kExitNoMatch : kExitOk;
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

    try {
        if (options.action == Action::List) {
            zip::TZipExtractor extractor;
            extractor.DoProcessMessages = false;
            extractor.ReadSplitArchives = true;
            extractor.SetZipName(options.archive);
            ConsoleReport report(false);
            ReportArchiveDamage(extractor, report);
            const int listed = List(extractor);
            return report.exit_code != 0 ? report.exit_code : listed;
        }
        return ExtractOrTest(options);
    } catch (const zip::EUserCanceled& failure) {
        std::cerr << "dezip: " << Shown(options.archive) << ": " << failure.what() << "\n";
    } catch (const zip::Exception& failure) {
        std::cerr << "dezip: " << Shown(options.archive) << ": " << Shown(failure.what()) << "\n";
        if (IsWriteFailure(failure)) return kExitWriteFailed;
    } catch (const std::exception& failure) {
        std::cerr << "dezip: " << Shown(options.archive) << ": " << failure.what() << "\n";
    }
    return kExitArchiveUnreadable;
}

}  // namespace dezip

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // Names are kept as the host spells them: every character of a UTF-8 name survives.
    platform::UseHostCodePage();
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(platform::ArgumentText(argv[i]));
    return dezip::Run(arguments);
}
