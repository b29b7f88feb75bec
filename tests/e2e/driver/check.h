#pragma once
// A small test runner for the end-to-end cases. The cross compiler's thread model has no
// std::mutex, which the usual test framework needs, so the cases register themselves here
// and use the familiar assertion names:
//
//   TEST(MainWindow, ShowsTheDefaultDestination) {
//       ASSERT_TRUE(window) << "no main window";
//       EXPECT_EQ(field.Text(), "C:\\Program Files (x86)\\VE4");
//   }
//
// EXPECT_* records a failure and goes on; ASSERT_* records it and leaves the case. A case
// that throws fails. The program runs the cases that match --filter=PATTERN[:PATTERN...]
// ("*" matches any text), prints one line per case and a summary, and exits 1 when a case
// failed (or when the filter matched none).

#include <functional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace e2e::testing {

// Registers a case; used by TEST.
bool Register(const char* suite, const char* name, void (*body)());

// Records a failure of the running case; used by the macros.
void RecordFailure(const char* file, int line, const std::string& message);

// Adds a line of context to the failures recorded while it lives (like a trace).
class Context {
public:
    explicit Context(std::string text);
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
};

// text with Windows-1251 letters shown in UTF-8, for the log.
std::string Readable(const std::string& text);

// Collects the streamed explanation of a failure and records it when it goes.
class Failure {
public:
    Failure(const char* file, int line, std::string message) : file_(file), line_(line), message_(std::move(message)) {}
    ~Failure() { RecordFailure(file_, line_, message_ + explanation_.str()); }
    Failure(const Failure&) = delete;
    Failure& operator=(const Failure&) = delete;
    template <typename T>
    Failure& operator<<(const T& value) {
        if (explanation_.tellp() == 0) explanation_ << "\n  ";
        if constexpr (std::is_convertible_v<T, std::string>) explanation_ << Readable(value);
        else explanation_ << value;
        return *this;
    }

private:
    const char* file_;
    int line_;
    std::string message_;
    std::ostringstream explanation_;
};

// The outcome of a comparison, with the values shown as text when it failed.
struct Comparison {
    bool ok;
    std::string message;
};

// Text for a value in a failure message; texts are quoted, and bytes above ASCII are shown
// as Windows-1251 letters in UTF-8 so that Russian expectations read well.
std::string Show(const std::string& value);
std::string Show(const char* value);
std::string Show(const std::vector<std::string>& values);
template <typename T>
std::string Show(const T& value) {
    if constexpr (requires(std::ostream& out) { out << value; }) {
        std::ostringstream out;
        out << value;
        return out.str();
    } else {
        return "(a value that cannot be shown)";
    }
}

// Lets ASSERT_* leave the case: "return LeaveCase() = Failure(...) << ...;".
struct LeaveCase {
    void operator=(const Failure&) const {}
};

template <typename A, typename B, typename Relation>
Comparison Compare(const char* left_text, const char* right_text, const char* relation, Relation holds,
                   const A& left, const B& right) {
    if (holds(left, right)) return {true, {}};
    return {false, std::string("expected ") + left_text + " " + relation + " " + right_text + "\n    actual: " +
                       Show(left) + "\n  vs: " + Show(right)};
}

// Runs the registered cases as the command line asks; the exit code of the program.
int RunAll(int argc, char** argv);

}  // namespace e2e::testing

#define TEST(suite, name)                                                                         \
    static void suite##_##name##_Body();                                                          \
    [[maybe_unused]] static const bool suite##_##name##_registered =                              \
        ::e2e::testing::Register(#suite, #name, &suite##_##name##_Body);                          \
    static void suite##_##name##_Body()

#define E2E_CHECK_(condition, text, on_failure) \
    if (condition) {                            \
    } else                                      \
        on_failure ::e2e::testing::Failure(__FILE__, __LINE__, text)

#define E2E_LEAVE_ return ::e2e::testing::LeaveCase() =

#define EXPECT_TRUE(condition) E2E_CHECK_((condition), "expected true: " #condition, )
#define EXPECT_FALSE(condition) E2E_CHECK_(!(condition), "expected false: " #condition, )
#define ASSERT_TRUE(condition) E2E_CHECK_((condition), "expected true: " #condition, E2E_LEAVE_)
#define ASSERT_FALSE(condition) E2E_CHECK_(!(condition), "expected false: " #condition, E2E_LEAVE_)

#define E2E_COMPARE_(left, right, operator_, relation, on_failure)                                     \
    if (const ::e2e::testing::Comparison e2e_comparison_ = ::e2e::testing::Compare(                    \
            #left, #right, relation, [](const auto& a, const auto& b) { return a operator_ b; }, (left), \
            (right));                                                                                  \
        e2e_comparison_.ok) {                                                                          \
    } else                                                                                             \
        on_failure ::e2e::testing::Failure(__FILE__, __LINE__, e2e_comparison_.message)

#define EXPECT_EQ(left, right) E2E_COMPARE_(left, right, ==, "==", )
#define EXPECT_NE(left, right) E2E_COMPARE_(left, right, !=, "!=", )
#define EXPECT_LT(left, right) E2E_COMPARE_(left, right, <, "<", )
#define EXPECT_GT(left, right) E2E_COMPARE_(left, right, >, ">", )
#define ASSERT_EQ(left, right) E2E_COMPARE_(left, right, ==, "==", E2E_LEAVE_)
