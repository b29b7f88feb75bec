#include "driver/check.h"

#include <cstdio>
#include <exception>
#include <vector>

#include "driver/text.h"

namespace e2e::testing {
namespace {

struct Case {
    std::string name;
    void (*body)();
};

std::vector<Case>& Cases() {
    static std::vector<Case> cases;
    return cases;
}

std::vector<std::string>& Contexts() {
    static std::vector<std::string> contexts;
    return contexts;
}

int& FailureCount() {
    static int count = 0;
    return count;
}

// "*" matches any run of characters; everything else matches itself.
bool Matches(const char* pattern, const char* text) {
    if (*pattern == '\0') return *text == '\0';
    if (*pattern == '*') return Matches(pattern + 1, text) || (*text != '\0' && Matches(pattern, text + 1));
    return *text == *pattern && Matches(pattern + 1, text + 1);
}

bool Selected(const std::string& filter, const std::string& name) {
    size_t start = 0;
    while (start <= filter.size()) {
        size_t end = filter.find(':', start);
        if (end == std::string::npos) end = filter.size();
        if (Matches(filter.substr(start, end - start).c_str(), name.c_str())) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool Register(const char* suite, const char* name, void (*body)()) {
    Cases().push_back({std::string(suite) + "." + name, body});
    return true;
}

void RecordFailure(const char* file, int line, const std::string& message) {
    ++FailureCount();
    std::printf("%s:%d: failure\n  %s\n", file, line, message.c_str());
    for (auto context = Contexts().rbegin(); context != Contexts().rend(); ++context) {
        std::printf("  while: %s\n", context->c_str());
    }
    std::fflush(stdout);
}

Context::Context(std::string text) { Contexts().push_back(std::move(text)); }
Context::~Context() { Contexts().pop_back(); }

namespace {

bool HasLettersAboveAscii(const std::string& text) {
    for (const char character : text) {
        if (static_cast<unsigned char>(character) >= 0x80) return true;
    }
    return false;
}

}  // namespace

std::string Readable(const std::string& text) { return HasLettersAboveAscii(text) ? Utf8FromCp1251(text) : text; }

std::string Show(const std::string& value) {
    std::string shown(1, '"');
    shown.append(Readable(value));
    shown.push_back('"');
    if (HasLettersAboveAscii(value)) shown.append(" (from 1251)");
    return shown;
}

std::string Show(const std::vector<std::string>& values) {
    std::string shown = "{";
    for (const std::string& value : values) shown += "\n      " + Show(value);
    return shown + (values.empty() ? "}" : "\n    }");
}

std::string Show(const char* value) { return Show(std::string(value ? value : "(null)")); }

int RunAll(int argc, char** argv) {
    std::string filter = "*";
    bool list_only = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--filter=", 0) == 0) filter = argument.substr(9);
        else if (argument == "--list") list_only = true;
    }
    std::vector<std::string> failed;
    int run = 0;
    for (const Case& test : Cases()) {
        if (!Selected(filter, test.name)) continue;
        if (list_only) {
            std::printf("%s\n", test.name.c_str());
            continue;
        }
        ++run;
        std::printf("[ RUN      ] %s\n", test.name.c_str());
        std::fflush(stdout);
        const int failures_before = FailureCount();
        try {
            test.body();
        } catch (const std::exception& error) {
            RecordFailure(__FILE__, __LINE__, std::string("exception: ") + error.what());
        } catch (...) {
            RecordFailure(__FILE__, __LINE__, "unknown exception");
        }
        const bool passed = FailureCount() == failures_before;
        if (!passed) failed.push_back(test.name);
        std::printf("[ %s ] %s\n", passed ? "      OK" : " FAILED ", test.name.c_str());
        std::fflush(stdout);
    }
    if (list_only) return 0;
    std::printf("[==========] %d cases run, %d passed, %d failed\n", run, run - static_cast<int>(failed.size()),
                static_cast<int>(failed.size()));
    for (const std::string& name : failed) std::printf("[  FAILED  ] %s\n", name.c_str());
    if (run == 0) std::printf("no case matches the filter %s\n", filter.c_str());
    std::fflush(stdout);
    return failed.empty() && run > 0 ? 0 : 1;
}

}  // namespace e2e::testing
