// Every window at the display scale the prefix is set to (LogPixels 96, 120, 144 or 192): its
// client area is the 96 DPI one times the scale (within a pixel), its controls lie inside
// it, no two overlap that do not at 96 DPI, and every single-line text that fits its control
// at 96 DPI fits it still, measured in the font it is drawn in at that scale. The run at
// 96 DPI records each window's layout in VI_E2E_LAYOUTS for the runs at the other scales, and
// moves the main window to a screen of 144 DPI (WM_DPICHANGED).

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <optional>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/display_scale.h"
#include "driver/input.h"
#include "driver/text.h"

namespace {

using namespace e2e;

const char kMainCaption[] = "VI4zodAVI2 Install";

struct TextFont {
    std::string name;
    int height = -11;
    int weight = FW_NORMAL;
    bool italic = false;
};
using FontOf = std::function<TextFont(const Window& control)>;

FontOf Uniform(const std::string& name) {
    return [name](const Window&) { return TextFont{name}; };
}

// The main window's title and its shadow, and the subtitle, have fonts of their own.
TextFont MainWindowFont(const Window& control) {
    const std::string text = control.Text();
    if (text == "Quillmark for MPI-2") return TextFont{"Arial", -29, FW_BOLD, true};
    if (text == "Electronic book of training tasks on MPI-2 programming") return TextFont{"Arial", -17};
    return TextFont{"Arial"};
}

struct ControlLayout {
    Rect rect;  // in the window's client coordinates
    bool text_fits = false;
};

struct Layout {
    int client_width = 0;
    int client_height = 0;
    std::vector<ControlLayout> controls;
};

bool SingleLineText(const Window& control, const std::string& text) {
    const std::string kind = control.ClassName();
    return !text.empty() && text.find('\n') == std::string::npos &&
           (kind == "Static" || kind == "Button" || kind == "Edit");
}

// The window's visible controls in creation order, and whether each one's single-line text
// fits its width in the font it is drawn in at dpi.
Layout Measure(const Window& window, const FontOf& font_of, int dpi) {
    Layout layout;
    const Rect client = window.ClientScreenRect();
    layout.client_width = client.Width();
    layout.client_height = client.Height();
    for (const Window& control : window.Descendants()) {
        if (!control.Visible()) continue;
        const Rect screen = control.ScreenRect();
        ControlLayout measured{Rect{screen.left - client.left, screen.top - client.top, screen.right - client.left,
                                    screen.bottom - client.top}};
        const std::string text = WithoutAccelerator(control.Text());
        if (SingleLineText(control, text)) {
            const TextFont font = font_of(control);
            measured.text_fits = control.TextWidth(font.name, MulDiv(font.height, dpi, 96), font.weight, font.italic) <=
                                 control.ClientRect().Width();
        }
        layout.controls.push_back(measured);
    }
    return layout;
}

std::string LayoutPath(const std::string& name) {
    return EnvironmentOr("VI_E2E_LAYOUTS", "C:\\layouts") + "\\" + name + ".txt";
}

void Save(const std::string& name, const Layout& layout) {
    CreateDirectoryA(EnvironmentOr("VI_E2E_LAYOUTS", "C:\\layouts").c_str(), nullptr);
    std::ofstream out(LayoutPath(name));
    out << layout.client_width << ' ' << layout.client_height << '\n';
    for (const ControlLayout& control : layout.controls) {
        out << control.rect.left << ' ' << control.rect.top << ' ' << control.rect.right << ' ' << control.rect.bottom
            << ' ' << control.text_fits << '\n';
    }
}

std::optional<Layout> Load(const std::string& name) {
    std::ifstream in(LayoutPath(name));
    Layout layout;
    if (!(in >> layout.client_width >> layout.client_height)) return std::nullopt;
    ControlLayout control;
    while (in >> control.rect.left >> control.rect.top >> control.rect.right >> control.rect.bottom >> control.text_fits) {
        layout.controls.push_back(control);
    }
    return layout;
}

bool Overlap(const Rect& first, const Rect& second) {
    return first.left < second.right && second.left < first.right && first.top < second.bottom &&
           second.top < first.bottom;
}

// How far a window's client area may stray from its 96 DPI one times the scale, in pixels
// beyond the one of rounding.
struct Allowance {
    // A window whose height follows a text of several lines may be taller: a font's lines can
    // grow by a pixel more than the scale, and the text must not be cut.
    int taller = 0;
    // A window as wide as another one's frame differs by what the frame does not scale.
    int wider_or_narrower = 0;
};

// The checks of a layout at dpi against the same window's layout at 96 DPI.
void ExpectScaled(const Layout& now, const Layout& base, int dpi, const std::string& description,
                  Allowance allowance = {}) {
    const double scale = dpi / 96.0;
    EXPECT_LE(std::abs(now.client_width - base.client_width * scale), 1.0 + allowance.wider_or_narrower) << description;
    EXPECT_GE(now.client_height - base.client_height * scale, -1.0) << description;
    EXPECT_LE(now.client_height - base.client_height * scale, 1.0 + allowance.taller) << description;
    ASSERT_EQ(now.controls.size(), base.controls.size()) << description;
    for (size_t index = 0; index < now.controls.size(); ++index) {
        SCOPED_TRACE("control " + std::to_string(index));
        const Rect& rect = now.controls[index].rect;
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= now.client_width && rect.bottom <= now.client_height)
            << description;
        if (base.controls[index].text_fits) {
            EXPECT_TRUE(now.controls[index].text_fits) << description;
        }
        for (size_t other = index + 1; other < now.controls.size(); ++other) {
            if (Overlap(rect, now.controls[other].rect)) {
                EXPECT_TRUE(Overlap(base.controls[index].rect, base.controls[other].rect))
                    << "overlaps control " << other << "\n" << description;
            }
        }
    }
}

// Records the layout at 96 DPI, or checks it against the record at any other scale.
void CheckLayout(const std::string& name, const Window& window, const FontOf& font_of, Allowance allowance = {}) {
    const int dpi = ScreenDpi();
    const Layout now = Measure(window, font_of, dpi);
    if (dpi == 96) {
        Save(name, now);
        return;
    }
    const auto base = Load(name);
    ASSERT_TRUE(base) << "no layout of " << name << " at 96 DPI in " << LayoutPath(name);
    ExpectScaled(now, *base, dpi, name + " at " + std::to_string(dpi) + " DPI:\n" + window.Describe(), allowance);
}

TEST(DisplayScale, MainWindow) {
    Session session;
    const Window main = session.WaitForWindow(kMainCaption);
    ASSERT_TRUE(main) << session.OpenWindows();
    CheckLayout("main-window", main, MainWindowFont);
    if (ScreenDpi() == 144) session.Shot("main-window-en-144dpi", main);
}

TEST(DisplayScale, ViewerAndMessageBox) {
    Session session;
    const Window main = session.WaitForWindow(kMainCaption);
    ASSERT_TRUE(main) << session.OpenWindows();
    PressKey(main, Key::F1);
    const Window viewer = session.WaitForDialog("About DE roz OZE-2 [readme_en.txt]");
    ASSERT_TRUE(viewer) << session.OpenWindows();
    CheckLayout("viewer", viewer, Uniform("MS Sans Serif"));
    ASSERT_TRUE(PressButton(viewer, "OK"));
    ASSERT_TRUE(WaitUntilGone(viewer, kStepTimeout));

    ASSERT_TRUE(PressButton(main, "Exit"));
    const Window question = session.WaitForDialog("Confirm");
    ASSERT_TRUE(question) << session.OpenWindows();
    CheckLayout("exit-question", question, Uniform("Tahoma"));
    PressButton(question, "No");
}

TEST(DisplayScale, DirectoryDialog) {
    Session session;
    const Window main = session.WaitForWindow(kMainCaption);
    ASSERT_TRUE(main) << session.OpenWindows();
    ASSERT_TRUE(PressButton(main, "Browse..."));
    const Window dialog = session.WaitForDialog("Select Directory");
    ASSERT_TRUE(dialog) << session.OpenWindows();
    CheckLayout("directory-dialog", dialog, Uniform("Tahoma"));
}

// The engine window of an installation, known by its status line.
Window EngineWindow(Session& session, const Window& main) {
    Window engine;
    WaitUntil(
        [&] {
            for (const Window& window : TopLevelWindows(session.Program().Id())) {
                if (window == main) continue;
                for (const Window& child : window.Descendants()) {
                    if (child.Text().rfind("DE roz OZE-2 Install: ", 0) == 0) engine = window;
                }
            }
            return engine || !session.Program().Running();
        },
        kStepTimeout);
    return engine;
}

// Runs against the setup program with the environment chooser switched on, and a payload
// whose large first entry keeps the engine window at its first status line.
TEST(DisplayScale, EnvironmentChooserAndProgressWindow) {
    Session session;
    const Window main = session.WaitForWindow(kMainCaption);
    ASSERT_TRUE(main) << session.OpenWindows();
    ASSERT_TRUE(PressButton(main, "Install"));
    const Window chooser = session.WaitForDialog({"Environments", "Error", "Warning", "Information"}, kStepTimeout);
    ASSERT_TRUE(chooser && chooser.Text() == "Environments") << session.OpenWindows();
    // Its height follows its three-line prompt: a pixel a line, and the prompt's height in
    // layout pixels rounded up.
    const int scale_rounding = (ScreenDpi() + 95) / 96;
    CheckLayout("environment-chooser", chooser, Uniform("Arial"), Allowance{3 + scale_rounding, 0});
    if (ScreenDpi() == 192) session.Shot("environment-chooser-192dpi", chooser);

    ASSERT_TRUE(PressButton(chooser, "OK"));
    const Window engine = EngineWindow(session, main);
    ASSERT_TRUE(engine) << session.OpenWindows();
    // It is as wide as the main window with its frame (within the pixel that rounding the
    // frame to layout pixels costs), whose 3-pixel side borders stay so at every scale under Wine.
    EXPECT_LE(std::abs(engine.ScreenRect().Width() - main.ScreenRect().Width()), 1);
    CheckLayout("progress-window", engine, Uniform("Arial"), Allowance{0, 6 * (ScreenDpi() - 96) / 96});
}

// A Russian system asks for the language first.
TEST(DisplayScaleRussian, LanguageWindowAndMainWindow) {
    Session session;
    const Window language = session.WaitForWindow("Language");
    ASSERT_TRUE(language) << session.OpenWindows();
    CheckLayout("language-window", language, Uniform("Arial"));
    ASSERT_TRUE(PressButton(language, "OK"));
    const Window main = session.WaitForDialog(Cp1251("VI4zodAVI2 Install - Программа установки"), kStartTimeout);
    ASSERT_TRUE(main) << session.OpenWindows();
    if (ScreenDpi() == 144) session.Shot("main-window-ru-144dpi", main);
}

// Windows tells a window that moves to a screen of another scale (after asking it for its
// size there): the main window takes the suggested rectangle and lays itself out for 144 DPI.
TEST(DisplayScale, MainWindowMovedToAScreenOf144Dpi) {
    if (ScreenDpi() != 96) GTEST_SKIP() << "moves from a 96 DPI screen";
    Session session;
    const Window main = session.WaitForWindow(kMainCaption);
    ASSERT_TRUE(main) << session.OpenWindows();
    const Layout before = Measure(main, MainWindowFont, 96);
    const auto size = DpiScaledSize(main, 144);
    ASSERT_TRUE(size) << "the window did not answer WM_GETDPISCALEDSIZE";
    const Rect place = main.ScreenRect();
    ASSERT_TRUE(SendDpiChanged(main, 144, Rect{place.left, place.top, place.left + size->Width(), place.top + size->Height()}));
    Pause(Milliseconds(500));
    EXPECT_EQ(main.ScreenRect().Width(), size->Width());
    const Layout after = Measure(main, MainWindowFont, 144);
    ExpectScaled(after, before, 144, main.Describe());
    // Every control at its place scaled: its top left corner within a pixel.
    for (size_t index = 0; index < after.controls.size() && index < before.controls.size(); ++index) {
        EXPECT_LE(std::abs(after.controls[index].rect.left - before.controls[index].rect.left * 1.5), 1.0) << index;
        EXPECT_LE(std::abs(after.controls[index].rect.top - before.controls[index].rect.top * 1.5), 1.0) << index;
    }
}

}  // namespace
