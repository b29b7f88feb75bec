// A driver for scripts: runs a sequence of steps against the program under Wine, such as
//
//   vidrive --shots C:\shots start C:\setup\VIrovARI2.exe "" window "VI4zodAVI2 Install" 90
//           shot main-window click Exit dialog Confirm 15 click Yes exit 30
//
// Steps (each takes a fixed number of words):
//   start PROGRAM ARGS      start the program (ARGS may be ""), in its own directory
//   window CAPTION SECONDS  wait for a top-level window of the program with that caption
//                           ("A|B" accepts either, "A*" any caption that begins with A)
//                           and make it the current window
//   dialog CAPTION SECONDS  the same for a window not seen before (a modal box)
//   shot NAME               save the current window as SHOTS\NAME.bmp (a step that fails when
//                           the window has a caption and its title bar does not show)
//   screen NAME             save the whole screen as SHOTS\NAME.bmp
//   click CAPTION           press the current window's button with that caption
//   key F1|ESCAPE|ENTER     press a key in the current window
//   type TEXT               set the text of the current window's first edit field
//   dump                    print the current window's caption and controls
//   message                 print the current window's message text
//   gone SECONDS            wait until the current window has gone
//   exit SECONDS            wait for the program to end and print its exit code
// Exits 0 when every step succeeded, 2 on a failed step (killing the program), 1 on misuse.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/dialog.h"
#include "driver/input.h"
#include "driver/process.h"
#include "driver/screenshot.h"
#include "driver/window.h"

namespace {

using e2e::Milliseconds;

struct Session {
    std::string shots_directory = ".";
    e2e::Process program;
    e2e::Window current;
    std::vector<e2e::Window> seen;
};

Milliseconds Seconds(const std::string& text) { return Milliseconds(std::atoi(text.c_str()) * 1000); }

// One alternative matches the caption exactly, or as a prefix when it ends with "*".
bool AlternativeMatches(const std::string& caption, const std::string& alternative) {
    if (!alternative.empty() && alternative.back() == '*') {
        return caption.rfind(alternative.substr(0, alternative.size() - 1), 0) == 0;
    }
    return caption == alternative;
}

bool CaptionMatches(const std::string& caption, const std::string& alternatives) {
    size_t start = 0;
    while (true) {
        const size_t bar = alternatives.find('|', start);
        if (AlternativeMatches(caption, alternatives.substr(start, bar - start))) return true;
        if (bar == std::string::npos) return false;
        start = bar + 1;
    }
}

bool Fail(const std::string& what) {
    std::fprintf(stderr, "vidrive: %s\n", what.c_str());
    return false;
}

bool WaitForCurrent(Session& session, const std::string& caption, Milliseconds timeout, bool new_only) {
    const auto seen = session.seen;
    session.current = e2e::WaitForWindow(
        session.program.Id(),
        [&](const e2e::Window& window) {
            if (new_only) {
                for (const auto& known : seen) {
                    if (known == window) return false;
                }
            }
            return CaptionMatches(window.Text(), caption);
        },
        timeout);
    if (!session.current) {
        std::string open;
        for (const auto& window : e2e::TopLevelWindows(session.program.Id())) open += " \"" + window.Text() + "\"";
        return Fail("no window \"" + caption + "\" appeared; open windows:" + (open.empty() ? " none" : open));
    }
    session.seen.push_back(session.current);
    std::printf("window: %s\n", session.current.Text().c_str());
    e2e::Pause(Milliseconds(300));  // let it paint before anyone looks at it
    return true;
}

bool Step(Session& session, const std::string& name, const std::vector<std::string>& words) {
    if (name == "start") {
        std::string error;
        session.program = e2e::Process::Start(words[0], words[1], "", &error);
        return session.program.Started() || Fail(error);
    }
    if (name == "window" || name == "dialog") {
        return WaitForCurrent(session, words[0], Seconds(words[1]), name == "dialog");
    }
    if (name == "gone") {
        return e2e::WaitUntilGone(session.current, Seconds(words[0])) || Fail("the window did not go");
    }
    if (name == "exit") {
        const auto code = session.program.WaitForExit(Seconds(words[0]));
        if (!code) return Fail("the program did not end");
        std::printf("exit code: %u\n", static_cast<unsigned>(*code));
        return true;
    }
    if (name == "shot" || name == "screen") {
        const std::string path = session.shots_directory + "\\" + words[0] + ".bmp";
        if (name == "screen") {
            if (!e2e::CaptureScreen(path)) return Fail("could not save " + path);
            std::printf("screenshot: %s\n", path.c_str());
            return true;
        }
        const e2e::WindowShot shot = e2e::CaptureWindow(session.current, path);
        if (shot == e2e::WindowShot::NotSaved) return Fail("could not save " + path);
        std::printf("screenshot: %s\n", path.c_str());
        return shot == e2e::WindowShot::Saved || Fail(path + ": the title-bar band is a single colour");
    }
    if (!session.current) return Fail(name + ": no current window");
    if (name == "click") {
        return e2e::PressButton(session.current, words[0]) || Fail("no button \"" + words[0] + "\"");
    }
    if (name == "key") {
        const std::string& key = words[0];
        if (key == "F1") e2e::PressKey(session.current, e2e::Key::F1);
        else if (key == "ESCAPE") e2e::PressKey(session.current, e2e::Key::Escape);
        else if (key == "ENTER") e2e::PressKey(session.current, e2e::Key::Enter);
        else return Fail("unknown key " + key);
        return true;
    }
    if (name == "type") {
        const auto fields = session.current.ChildrenOfClass("Edit");
        if (fields.empty()) return Fail("no edit field");
        e2e::SetText(fields.front(), words[0]);
        return true;
    }
    if (name == "dump") {
        std::printf("%s", session.current.Describe().c_str());
        return true;
    }
    if (name == "message") {
        std::printf("message: %s\n", e2e::DialogMessage(session.current).c_str());
        return true;
    }
    return Fail("unknown step " + name);
}

size_t WordCount(const std::string& name) {
    if (name == "start" || name == "window" || name == "dialog") return 2;
    if (name == "dump" || name == "message") return 0;
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    Session session;
    size_t index = 0;
    if (index + 1 < words.size() && words[index] == "--shots") {
        session.shots_directory = words[index + 1];
        index += 2;
    }
    while (index < words.size()) {
        const std::string name = words[index++];
        const size_t count = WordCount(name);
        if (index + count > words.size()) {
            std::fprintf(stderr, "vidrive: step %s needs %u words\n", name.c_str(), static_cast<unsigned>(count));
            return 1;
        }
        std::vector<std::string> step_words(words.begin() + static_cast<long>(index),
                                            words.begin() + static_cast<long>(index + count));
        index += count;
        std::fflush(stdout);
        if (!Step(session, name, step_words)) {
            std::fflush(stdout);
            return 2;  // the Process destructor kills the program
        }
    }
    std::fflush(stdout);
    return 0;
}
