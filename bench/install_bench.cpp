// The time a whole installation takes, set against Info-ZIP's unzip extracting the same
// password-protected archive into a fresh directory and then flushing the file system (sync -f),
// which is what an extraction costs that is sure to be on the disk, as the installation's is; the
// ratio to unzip alone is printed beside. One run on one machine.
//
//     install_bench [megabytes] [files] [rounds]   (defaults: 200 MB in 3000 files, 5 rounds)
//
// The payload is made here: a tree of text-like and incompressible files of mixed sizes,
// zipped with the archive password. Both sides read the same archive from a warm cache;
// they run in turn for each round, and the medians of their times are compared (a best
// time says little on a disk where one round can take half as long as the others). Beside
// the wall-clock times it prints the processor time of each side (unzip's through
// /usr/bin/time), which shows how much of a round went to waiting for the disk.
// INSTALL_BENCH_NO_FLUSH=1 turns off the flushes to the disk of the posix machine (the
// journal's records, the write-through moves), to show what they cost.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/install_settings.h"
#include "engine/installation.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/posix_machine.h"
#include "zip/zip_extractor.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class SilentView : public engine::ProgressView {
public:
    void SetStatus(const std::string&) override {}
    void SetProgressMax(int) override {}
    void SetProgressPosition(int value) override { position_ = value; }
    int ProgressPosition() override { return position_; }
    void ProcessMessages() override {}
    void HideWindow() override {}
    void Terminate(platform::ExitCode) override {}

private:
    int position_ = 0;
};

// The extraction component as the progress window configures it.
class ComponentExtractor : public engine::PayloadExtractor {
public:
    explicit ComponentExtractor(engine::Installation& installation) {
        component_.RecreateDirs = true;
        component_.OverwriteMode = zip::TUZOverwriteMode::Always;
        component_.DoAll = true;
        component_.OnTotalPercentDone = [&installation](zip::TZipExtractor&, int percent) {
            installation.TotalPercentDone(percent);
        };
        component_.OnEndUnZip = [&installation](zip::TZipExtractor&, int index, const std::string&) {
            installation.EndUnZip(index);
        };
    }
    void SetPassword(const std::string& password) override { component_.Password = password; }
    void SetDestDir(const std::string& directory) override { component_.SetDestDir(directory); }
    void SetZipName(const std::string& name) override { component_.SetZipName(name); }
    void UnZip() override { component_.UnZip(); }
    int Count() override { return component_.Count(); }
    std::string EntryFullName(int index) override { return component_.EntryFullName(index); }

private:
    zip::TZipExtractor component_;
};

// Writes the payload tree: three files in four are text-like, the rest incompressible.
void MakeTree(const fs::path& root, int64_t total_bytes, int file_count) {
    std::mt19937_64 random(20241207);
    static const char* const kWords[] = {"process", "message", "rank", "buffer", "send", "receive", "barrier",
                                         "task", "result", "matrix", "vector", "the", "of", "and", "to", "in"};
    const int64_t average = total_bytes / file_count;
    for (int i = 0; i < file_count; ++i) {
        const fs::path path = root / ("dir" + std::to_string(i % 17)) / ("sub" + std::to_string(i % 5)) /
                              ("file" + std::to_string(i) + ".dat");
        fs::create_directories(path.parent_path());
        // Sizes from a tenth to nearly twice the average, so big and small entries mix.
        const int64_t size = average / 10 + static_cast<int64_t>(random() % static_cast<uint64_t>(average * 18 / 10));
        std::string data;
        data.reserve(static_cast<size_t>(size));
        if (i % 4 != 3) {
            while (static_cast<int64_t>(data.size()) < size) {
                data += kWords[random() % 16];
                data += (random() % 12 == 0) ? "\r\n" : " ";
            }
            data.resize(static_cast<size_t>(size));
        } else {
            while (static_cast<int64_t>(data.size()) < size) {
                const uint64_t value = random();
                data.append(reinterpret_cast<const char*>(&value), sizeof value);
            }
            data.resize(static_cast<size_t>(size));
        }
        std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    }
}

// Message boxes go to the terminal, answered with their default button.
class PrintingDialogs : public platform::Dialogs {
public:
    platform::DialogResult ShowMessage(const std::string& text, platform::MessageKind, unsigned,
                                       platform::DialogResult default_button, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return default_button;
    }
    bool SelectDirectory(std::string&, bool) override { return false; }
    bool OpenFile(const std::string&, const std::string&, std::string&) override { return false; }
    void ProcessMessages() override {}
    void SetBusyCursor(bool) override {}
};

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

int Run(const std::string& command) { return std::system(command.c_str()); }

}  // namespace

int main(int argc, char** argv) {
    const int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 200;
    const int file_count = argc > 2 ? std::atoi(argv[2]) : 3000;
    const int rounds = std::max(1, argc > 3 ? std::atoi(argv[3]) : 5);

    platform::ScopedMachineRoot machine;
    if (std::getenv("INSTALL_BENCH_NO_FLUSH") != nullptr) platform::PosixMachine::SetFlushToDisk(false);
    PrintingDialogs dialogs;
    platform::Services services = platform::Current();
    services.dialogs = &dialogs;
    platform::ScopedServices scoped_services(services);
    const fs::path host = machine.HostRoot();
    std::printf("payload: %lld MB in %d files\n", static_cast<long long>(megabytes), file_count);
    MakeTree(host / "tree", megabytes * 1000 * 1000, file_count);
    platform::Files().ForceDirectories("C:\\setup");
    const std::string archive = platform::PosixMachine::HostPath("C:\\setup\\VIrovARI2.dat");
    if (Run("cd '" + (host / "tree").string() + "' && zip -q -r -6 -P " + engine::kArchivePassword + " '" + archive +
            "' .") != 0) {
        std::fprintf(stderr, "zip failed\n");
        return 1;
    }
    std::printf("archive: %.1f MB\n", static_cast<double>(fs::file_size(archive)) / 1e6);
    Run("cat '" + archive + "' > /dev/null");  // warm the cache for both sides

    if (std::getenv("INSTALL_BENCH_CHECK") != nullptr) {
        zip::TZipExtractor component;
        component.RecreateDirs = true;
        component.OverwriteMode = zip::TUZOverwriteMode::Always;
        component.DoAll = true;
        component.Password = engine::kArchivePassword;
        component.SetDestDir("C:\\check");
        component.SetZipName("C:\\setup\\VIrovARI2.dat");
        try {
            const auto start = Clock::now();
            const int extracted = component.UnZip();
            std::printf("component alone: %d entries in %.3f s\n", extracted, Seconds(Clock::now() - start));
        } catch (const std::exception& error) {
            std::printf("extraction failed: %s\n", error.what());
        }
    }
    std::vector<double> install_times, install_processor;
    std::vector<double> unzip_times, unzip_processor, durable_times;
    // Every round's output stays until the end. A file system without a journal skips the
    // inodes of files deleted in the last seconds when it creates new ones, so deleting one
    // side's thousands of files right before the other side runs would charge that side
    // with a scan over them.
    std::vector<fs::path> outputs;
    for (int round = 0; round < rounds; ++round) {
        const fs::path fresh = host / ("unzip" + std::to_string(round));
        const std::string times = (host / "unzip-times").string();
        const auto unzip_start = Clock::now();
        if (Run("/usr/bin/time -f '%U %S' -o '" + times + "' unzip -q -P " + std::string(engine::kArchivePassword) +
                " '" + archive + "' -d '" + fresh.string() + "'") != 0) {
            std::fprintf(stderr, "unzip failed\n");
            return 1;
        }
        const double unzip_seconds = Seconds(Clock::now() - unzip_start);
        Run("sync -f '" + fresh.string() + "'");
        const double durable_seconds = Seconds(Clock::now() - unzip_start);
        unzip_times.push_back(unzip_seconds);
        durable_times.push_back(durable_seconds);
        double user = 0, system = 0;
        std::ifstream(times) >> user >> system;
        unzip_processor.push_back(user + system);
        outputs.push_back(fresh);

        const std::string install_dir = "C:\\VE4-" + std::to_string(round);
        platform::Files().ForceDirectories(install_dir);
        engine::InstallSettings settings;
        settings.install_dir = install_dir;
        settings.setup_dir = "C:\\setup";
        settings.system_dir = "C:\\windows\\system32";
        settings.archive_name = "VIrovARI2.dat";
        settings.uninstall_log_name = "virovari2_1_0.log";
        settings.journal_folder = "C:\\ProgramData\\VIrovARI2";
        platform::Files().ForceDirectories(settings.journal_folder);
        settings.opt_final_message = false;
        settings.opt_start_menu = false;
        SilentView view;
        engine::Installation installation(settings, view);
        ComponentExtractor extractor(installation);
        const auto install_start = Clock::now();
        const std::clock_t processor_start = std::clock();
        installation.Run(extractor);
        install_processor.push_back(static_cast<double>(std::clock() - processor_start) / CLOCKS_PER_SEC);
        const double install_seconds = Seconds(Clock::now() - install_start);
        install_times.push_back(install_seconds);
        if (!installation.Completed) {
            std::fprintf(stderr, "installation failed\n");
            return 1;
        }
        outputs.push_back(platform::PosixMachine::HostPath(install_dir));
        std::printf("round %d: install %.3f s (processor %.3f s), unzip %.3f s (processor %.3f s), with sync %.3f s\n",
                    round + 1, install_seconds, install_processor.back(), unzip_seconds, unzip_processor.back(),
                    durable_seconds);
    }
    for (const fs::path& output : outputs) fs::remove_all(output);
    const auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    const double install_median = median(install_times);
    const double unzip_median = median(unzip_times);
    const double durable_median = median(durable_times);
    std::printf("median of %d rounds: install %.3f s, unzip -P and sync %.3f s, ratio %.2f (target at most 0.80); "
                "unzip -P alone %.3f s, ratio %.2f\n",
                rounds, install_median, durable_median, install_median / durable_median, unzip_median,
                install_median / unzip_median);
    std::printf("processor time, median: install %.3f s, unzip -P %.3f s, ratio %.2f\n", median(install_processor),
                median(unzip_processor), median(install_processor) / median(unzip_processor));
    return 0;
}
