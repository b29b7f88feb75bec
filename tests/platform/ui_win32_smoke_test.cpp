// The toolkit's native windows under Windows: a form and its controls become real windows
// with the given texts and sizes, and the user's clicks and keys come back as events.

#ifdef _WIN32

#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/message_dialog.h"
#include "platform/ui/timer.h"
#include "platform/win32/ui_win32.h"

namespace ui = platform::ui;

namespace {

std::string WindowText(HWND window) {
    char text[512] = {};
    const int length = ::GetWindowTextA(window, text, sizeof text);
    return std::string(text, static_cast<size_t>(length));
}

class SmokeForm : public ui::Form {
public:
    SmokeForm() {
        SetCaption("Smoke test");
        SetClientSize(320, 200);
        SetPosition(ui::FormPosition::ScreenCenter);
        SetKeyPreview(true);
        Label1.SetCaption("Hello");
        Edit1.SetText("C:\\VE4");
        Button1.SetCaption("&Install");
        Button1.SetDefault(true);
        Button1.SetModalResult(ui::ModalResult::Ok);
        Button1.OnClick = [this] { ++clicks; };
        Panel1.SetAlign(ui::Align::Bottom);
        Button2.SetCaption("Exit");
        Button2.SetAnchors(ui::anchors::kTop | ui::anchors::kRight);
        Memo1.Lines().Add("first line");
        Memo1.Lines().Add("second line");
        OnKeyDown = [this](ui::KeyCode& key, ui::ShiftState) { keys += std::to_string(key) + ";"; };
    }

    ui::Label Label1{*this, 8, 8, 200, 16};
    ui::Edit Edit1{*this, 8, 30, 200, 21};
    ui::Button Button1{*this, 220, 30, 90, 25};
    ui::Bevel Bevel1{*this, 8, 60, 304, 2};
    ui::Memo Memo1{*this, 8, 66, 304, 80};
    ui::Panel Panel1{*this, 0, 150, 320, 50};
    ui::Button Button2{Panel1, 236, 12, 75, 25};
    int clicks = 0;
    std::string keys;
};

}  // namespace

TEST(UiWin32Smoke, FormAndControlsBecomeWindowsWithTheirTexts) {
    SmokeForm form;
    form.Show();
    HWND window = ui::win32::WindowOf(form);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(WindowText(window), "Smoke test");
    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 200);

    EXPECT_EQ(WindowText(ui::win32::WindowOf(form.Label1)), "Hello");
    EXPECT_EQ(WindowText(ui::win32::WindowOf(form.Edit1)), "C:\\VE4");
    EXPECT_EQ(WindowText(ui::win32::WindowOf(form.Button1)), "&Install");
    EXPECT_EQ(WindowText(ui::win32::WindowOf(form.Memo1)), "first line\r\nsecond line");
    EXPECT_EQ(::GetParent(ui::win32::WindowOf(form.Button2)), ui::win32::WindowOf(form.Panel1));

    // The user types: the control learns the new text.
    ::SetWindowTextA(ui::win32::WindowOf(form.Edit1), "D:\\Other");
    EXPECT_EQ(form.Edit1.Text(), "D:\\Other");

    // A click on the native button reaches the handler.
    ::SendMessageA(ui::win32::WindowOf(form.Button1), BM_CLICK, 0, 0);
    EXPECT_EQ(form.clicks, 1);

    form.Close();
    EXPECT_FALSE(::IsWindowVisible(window));
}

TEST(UiWin32Smoke, CheckListFollowsItsItemsAndMarks) {
    ui::Form form;
    form.SetClientSize(200, 120);
    ui::CheckListBox list(form, 8, 8, 184, 13 * 4);
    list.Items().Assign({"one", "two", "three"});
    form.Show();
    HWND window = ui::win32::WindowOf(list);
    EXPECT_EQ(::SendMessageA(window, LB_GETCOUNT, 0, 0), 3);
    list.Items().Add("four");
    list.Items().Delete(0);
    list.SetChecked(1, true);
    ASSERT_EQ(::SendMessageA(window, LB_GETCOUNT, 0, 0), 3);
    char text[32] = {};
    ::SendMessageA(window, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "two");
    ::SendMessageA(window, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "four");

    // A click on an item's box ticks it.
    int ticks = 0;
    list.OnClickCheck = [&] { ++ticks; };
    RECT item;
    ::SendMessageA(window, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    const LPARAM point = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
    ::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::SendMessageA(window, WM_LBUTTONUP, 0, point);
    EXPECT_TRUE(list.Checked(2));
    EXPECT_EQ(ticks, 1);
    form.Hide();
}

TEST(UiWin32Smoke, ResizingKeepsTheBottomPanelAndAnchoredButton) {
    SmokeForm form;
    form.Show();
    form.SetClientSize(400, 260);
    RECT panel;
    ::GetWindowRect(ui::win32::WindowOf(form.Panel1), &panel);
    ::MapWindowPoints(nullptr, ui::win32::WindowOf(form), reinterpret_cast<POINT*>(&panel), 2);
    EXPECT_EQ(panel.top, 210);
    EXPECT_EQ(panel.right - panel.left, 400);
    EXPECT_EQ(form.Button2.Left(), 316);
    form.Hide();
}

TEST(UiWin32Smoke, ModalFormEndsWithTheDefaultButtonOnEnter) {
    SmokeForm form;
    ui::Timer timer(form, 50);
    timer.OnTimer = [&] {
        timer.SetEnabled(false);
        ::PostMessageA(ui::win32::WindowOf(form.Edit1), WM_KEYDOWN, VK_RETURN, 0);
    };
    timer.SetEnabled(true);
    EXPECT_EQ(form.ShowModal(), ui::ModalResult::Ok);
    // The preview saw the key before the default button took it.
    EXPECT_EQ(form.keys, "13;");
    EXPECT_EQ(form.clicks, 1);
}

TEST(UiWin32Smoke, EscapeWithoutCancelButtonReachesTheCharacterPreview) {
    SmokeForm form;
    std::string typed;
    form.OnKeyPress = [&](char& key) {
        typed += key;
        if (key == '\x1b') form.SetModalResult(ui::ModalResult::Cancel);
    };
    ui::Timer timer(form, 50);
    timer.OnTimer = [&] {
        timer.SetEnabled(false);
        HWND edit = ui::win32::WindowOf(form.Edit1);
        ::SetFocus(edit);
        ::PostMessageA(edit, WM_KEYDOWN, VK_TAB, 0);
        ::PostMessageA(edit, WM_CHAR, 'z', 0);
        ::PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
        ::PostMessageA(edit, WM_CHAR, 0x1b, 0);
    };
    timer.SetEnabled(true);
    EXPECT_EQ(form.ShowModal(), ui::ModalResult::Cancel);
    // Tab moved on to the button, the letter was previewed, and Escape closed the form.
    EXPECT_EQ(form.ActiveControl(), &form.Button1);
    EXPECT_EQ(typed, "z\x1b");
    EXPECT_EQ(form.keys, "9;27;");
}

TEST(UiWin32Smoke, RetryBoxTakesItsCloseBoxAsRetry) {
    ui::Form owner;
    ui::Timer timer(owner, 50);
    timer.OnTimer = [&] {
        HWND box = ::GetActiveWindow();
        if (box == nullptr || ui::win32::FormOfWindow(box) == nullptr) return;
        timer.SetEnabled(false);
        char class_name[64] = {};
        ::GetClassNameA(box, class_name, sizeof class_name);
        EXPECT_STREQ(class_name, ui::kMessageWindowClass);
        EXPECT_EQ(WindowText(box), "Warning");
        // Escape does nothing here; the close box counts as Repeat.
        ::PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
        ::PostMessageA(box, WM_CLOSE, 0, 0);
    };
    timer.SetEnabled(true);
    const platform::DialogResult result = ui::ShowMessageBox(
        "Could not update the file.", platform::MessageKind::Warning, platform::buttons::kRetry | platform::buttons::kIgnore,
        platform::DialogResult::Retry);
    EXPECT_EQ(result, platform::DialogResult::Retry);
}

#endif  // _WIN32
