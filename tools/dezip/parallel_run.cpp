#include "parallel_run.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <iostream>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "replaced_file.h"

namespace dezip {

Report*& ThreadReport() {
    thread_local Report* report = nullptr;
    return report;
}

namespace {

// The messages of one entry, in the order they were given.
struct EntryLog {
    std::vector<std::pair<bool, std::string>> lines;  // true: standard error
    std::vector<ReplacedFile> files;  // the files it wrote
    std::vector<std::string> directories;  // the directories it created, from the top down
    bool complete = false;
    std::exception_ptr failure;  // what ended the run in this entry
};

// The entries claimed so far, counted in the order the components select them (every
// component selects the same entries in the same order).
class SharedRun {
public:
    // The n-th selected entry (n counted by the asking component) is its to run when no
    // other component took it; returns its claim number, or -1.
    int Claim(int n) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_ || n != static_cast<int>(logs_.size())) return -1;
        logs_.emplace_back();
        return n;
    }
    void Add(int claim, bool error, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        logs_[static_cast<size_t>(claim)].lines.emplace_back(error, text);
    }
    void AddFile(int claim, const ReplacedFile& file) {
        std::lock_guard<std::mutex> lock(mutex_);
        logs_[static_cast<size_t>(claim)].files.push_back(file);
    }
    void AddDirectory(int claim, const std::string& directory) {
        std::lock_guard<std::mutex> lock(mutex_);
        logs_[static_cast<size_t>(claim)].directories.push_back(directory);
    }
    void Complete(int claim, std::exception_ptr failure) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (claim >= 0) {
            logs_[static_cast<size_t>(claim)].complete = true;
            logs_[static_cast<size_t>(claim)].failure = failure;
        } else if (failure && !early_failure_) {
            early_failure_ = failure;
        }
        if (failure) stop_ = true;
        changed_.notify_all();
    }
    void Finished() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++finished_;
        changed_.notify_all();
    }

    // Keeps the entries' files and prints their logs, in entry order as they complete, until
    // every thread has finished; raises the failure that ended a run after the messages before
    // it. The files of the entry that failed are kept too, as one thread leaves what it had
    // written; those of later entries are not.
    void PrintInOrder(int threads) {
        for (size_t next = 0;; ++next) {
            EntryLog log;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] {
                    return (next < logs_.size() && logs_[next].complete) || early_failure_ ||
                           (finished_ == threads && next >= logs_.size());
                });
                if (next >= logs_.size() || !logs_[next].complete) {
                    if (early_failure_) std::rethrow_exception(early_failure_);
                    return;
                }
                log = std::move(logs_[next]);
                kept_ = next + 1;
            }
            for (const ReplacedFile& file : log.files) Keep(file);
            for (const auto& [error, text] : log.lines) (error ? std::cerr : std::cout) << text;
            if (log.failure) std::rethrow_exception(log.failure);
        }
    }

    // Takes back what the entries not kept did, newest first; once every thread has finished.
    // A directory one created goes when it is empty again.
    void TakeBackUnkept() {
        for (size_t index = logs_.size(); index > kept_; --index) {
            const EntryLog& log = logs_[index - 1];
            for (auto file = log.files.rbegin(); file != log.files.rend(); ++file) TakeBack(*file);
            for (auto directory = log.directories.rbegin(); directory != log.directories.rend(); ++directory) {
                platform::Files().RemoveDirectory(*directory);
            }
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<EntryLog> logs_;
    bool stop_ = false;
    std::exception_ptr early_failure_;  // a run that ended before its first entry
    int finished_ = 0;
    size_t kept_ = 0;  // the entries whose files were kept
};

// A thread's report: into the log of the entry it runs (messages before its first entry
// wait for it).
class LogReport : public Report {
public:
    explicit LogReport(SharedRun& run) : run_(run) {}
    void Out(const std::string& text) override { Add(false, text); }
    void Err(const std::string& text) override { Add(true, text); }
    void Start(int claim) {
        claim_ = claim;
        for (const auto& [error, text] : waiting_) run_.Add(claim_, error, text);
        waiting_.clear();
    }
    int Claim() const { return claim_; }

private:
    void Add(bool error, const std::string& text) {
        if (claim_ < 0) waiting_.emplace_back(error, text);
        else run_.Add(claim_, error, text);
    }
    SharedRun& run_;
    int claim_ = -1;
    std::vector<std::pair<bool, std::string>> waiting_;
};

}  // namespace

ParallelResult RunInParallel(int threads, const Configure& configure) {
    SharedRun run;
    std::vector<ParallelResult> results(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    for (int index = 0; index < threads; ++index) {
        workers.emplace_back([&run, &configure, &result = results[static_cast<size_t>(index)]] {
            LogReport report(run);
            ThreadReport() = &report;
            std::exception_ptr failure;
            ReplacedFile writing;  // the file of the entry being run, until the entry is done
            try {
                zip::TZipExtractor extractor;
                configure(extractor, report, result.selected);
                int asked = 0;
                extractor.RunEntry = [&](int) {
                    const int claim = run.Claim(asked++);
                    if (claim < 0) return false;
                    if (report.Claim() >= 0) run.Complete(report.Claim(), nullptr);
                    report.Start(claim);
                    return true;
                };
                // Each file an entry replaces is set aside and only deleted in entry order, so
                // that an entry after one that ends the run can be taken back; the file being
                // written when the run ends goes at once, as on one thread.
                extractor.BeforeCreateFile = [&](const std::string& output_path) {
                    if (!SetAside(output_path, std::to_string(report.Claim()), writing)) return false;
                    run.AddFile(report.Claim(), writing);
                    return true;
                };
                extractor.OnEndUnZip = [&writing, reported = extractor.OnEndUnZip](
                                           zip::TZipExtractor& sender, int index, const std::string& name) {
                    writing = {};
                    if (reported) reported(sender, index, name);
                };
                extractor.BeforeCreateDirectory = [&](const std::string& directory) {
                    run.AddDirectory(report.Claim(), directory);
                };
                result.extracted = extractor.UnZip();
            } catch (...) {
                failure = std::current_exception();
                TakeBack(writing);
            }
            result.problems = report.problems;
            result.kept = report.kept;
            result.exit_code = report.exit_code;
            run.Complete(report.Claim(), failure);
            run.Finished();
        });
    }
    std::exception_ptr failure;
    try {
        run.PrintInOrder(threads);
    } catch (...) {
        failure = std::current_exception();
    }
    for (std::thread& worker : workers) worker.join();
    run.TakeBackUnkept();
    if (failure) std::rethrow_exception(failure);
    // Each run counts the entries it did not take as extracted; what it lacks of the
    // selected count are its own failures.
    ParallelResult total;
    total.selected = results[0].selected;
    total.extracted = total.selected;
    for (const ParallelResult& result : results) {
        total.extracted -= result.selected - result.extracted;
        total.problems = total.problems || result.problems;
        total.kept += result.kept;
        if (result.exit_code > total.exit_code) total.exit_code = result.exit_code;
    }
    return total;
}

}  // namespace dezip
