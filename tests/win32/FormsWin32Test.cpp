// The forms on real windows under the system: the deletion question, which only the
// uninstall run shows, answered by a user pressing each of its buttons. Another
// thread plays the user, as a person at the screen would: it waits for the window
// and presses a button by its text.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "platform/win32/Com.h"
#include "ui/Forms.h"
#include "ui/win32/Win32Backend.h"

namespace lorvel::ui {
namespace {

struct FoundButton {
    const wchar_t* text;
    HWND button = nullptr;
};

BOOL CALLBACK MatchButton(HWND child, LPARAM data)
{
    auto* found = reinterpret_cast<FoundButton*>(data);
    wchar_t text[128] = {};
    ::GetWindowTextW(child, text, 128);
    if (std::wstring(text) != found->text) return TRUE;
    found->button = child;
    return FALSE;
}

// Waits up to ten seconds for the visible window with the caption, then presses its
// button with the text. False when either never appeared; the window's style is kept.
bool PressWhenShown(const wchar_t* caption, const wchar_t* buttonText, LONG& style)
{
    for (int tries = 0; tries < 200; ++tries) {
        HWND window = ::FindWindowW(nullptr, caption);
        if (window && ::IsWindowVisible(window)) {
            style = ::GetWindowLongW(window, GWL_STYLE);
            FoundButton found{buttonText};
            ::EnumChildWindows(window, MatchButton, reinterpret_cast<LPARAM>(&found));
            if (!found.button) return false;
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(found.button), BN_CLICKED),
                           reinterpret_cast<LPARAM>(found.button));
            return true;
        }
        ::Sleep(50);
    }
    return false;
}

struct FormsWin32 : ::testing::Test {
    lorvel::win32::ComLibrary com;  // as the program's entry has it, before any window
    Win32Backend ui;
    BackForm back{ui};
    MainForm main{ui, back};
    SharedFileQuestionForm dialog{ui, main.lblAnswerSlot};
    LONG style = 0;  // the question's window style as the user saw it

    FormsWin32()
    {
        for (Form* form : std::initializer_list<Form*>{&back, &main, &dialog}) form->Create();
    }

    // Shows the question while a second thread presses the button; the modal result,
    // or -1 when the button could not be pressed.
    int Answer(const wchar_t* button)
    {
        bool pressed = false;
        const DWORD program = ::GetCurrentThreadId();
        std::thread user([&] {
            pressed = PressWhenShown(L"ファイル削除の確認", button, style);
            // A question nobody can answer would wait for ever: end its loop instead.
            if (!pressed) ::PostThreadMessageW(program, WM_QUIT, 0, 0);
        });
        const int result = dialog.ShowModal();
        user.join();
        return pressed ? result : -1;
    }
};

TEST_F(FormsWin32, EachButtonOfTheDeletionQuestionWritesItsAnswer)
{
    dialog.lblMessage.SetCaption("C:\\APP\\SHARED.DLL");
    struct Row {
        const wchar_t* button;
        const char* answer;
    };
    const Row rows[] = {
        {L"はい(&Y)", "Yes"}, {L"いいえ(&N)", "No"}, {L"すべて削除(&D)", "Delete"}, {L"すべて保存(&A)", "Save"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        ASSERT_EQ(Answer(row.button), kModalOk) << "the question or its button never showed";
        EXPECT_EQ(main.lblAnswerSlot.Caption(), row.answer);
        EXPECT_FALSE(dialog.Visible());
    }
}

struct FoundChild {
    const wchar_t* text;
    HWND child = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM data)
{
    auto* found = reinterpret_cast<FoundChild*>(data);
    FoundButton button{found->text};
    ::EnumChildWindows(window, MatchButton, reinterpret_cast<LPARAM>(&button));
    found->child = button.button;
    return found->child ? FALSE : TRUE;
}

// The widgets skip what a window has already, so each change and each change back
// must still reach the window, whatever came between.
TEST_F(FormsWin32, EveryChangeOfAControlReachesItsWindow)
{
    Control& button = main.btnEvent;
    button.SetCaption("Probe");
    FoundChild found{L"Probe"};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchTopLevel, reinterpret_cast<LPARAM>(&found));
    ASSERT_NE(found.child, nullptr) << "the button's window was not found";
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    const Rect start = button.Bounds();
    const Rect moved{start.left + 8, start.top + 4, start.width + 20, start.height + 6};
    struct Step {
        const char* name;
        std::function<void()> change;
    };
    const Step steps[] = {
        {"disabled", [&] { button.SetEnabled(false); }},
        {"a caption alone", [&] { button.SetCaption("Probe"); }},
        {"enabled again", [&] { button.SetEnabled(true); }},
        {"hidden", [&] { button.SetVisible(false); }},
        {"disabled while hidden", [&] { button.SetEnabled(false); }},
        {"shown", [&] { button.SetVisible(true); }},
        {"moved", [&] { button.SetBounds(moved); }},
        {"moved back", [&] { button.SetBounds(start); }},
        {"enabled", [&] { button.SetEnabled(true); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        EXPECT_EQ(::IsWindowEnabled(found.child) != 0, button.Enabled());
        EXPECT_EQ((::GetWindowLongW(found.child, GWL_STYLE) & WS_VISIBLE) != 0, button.Showing());
        RECT r{};
        ::GetWindowRect(found.child, &r);
        EXPECT_EQ(r.right - r.left, ::MulDiv(button.Bounds().width, dpi, 96));
        EXPECT_EQ(r.bottom - r.top, ::MulDiv(button.Bounds().height, dpi, 96));
    }
}

// What the user types into the folder box becomes the folder the program uses, so a
// character with no Shift-JIS form is refused rather than read as a near one (the
// yen sign U+00A5 as "\\", which would put the folder into another).
TEST_F(FormsWin32, TheFolderBoxRefusesACharacterWithNoShiftJisForm)
{
    Control& box = main.txtFolder;
    box.SetCaption("C:\\APP");
    FoundChild found{L"C:\\APP"};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchTopLevel, reinterpret_cast<LPARAM>(&found));
    ASSERT_NE(found.child, nullptr) << "the folder box's window was not found";
    struct Row {
        const wchar_t* typed;
        std::string caption;
        const wchar_t* shown;
    };
    const Row rows[] = {
        {L"C:\\APP\x00A5SUB", "C:\\APP", L"C:\\APP"},
        {L"C:\\\x8868", "C:\\\x95\x5C", L"C:\\\x8868"},
        {L"C:\\\x8868\x203E", "C:\\\x95\x5C", L"C:\\\x8868"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption);
        // As typing does: the box changes, and tells its form.
        ::SendMessageW(found.child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(row.typed));
        EXPECT_EQ(box.Caption(), row.caption);
        wchar_t shown[64] = {};
        ::GetWindowTextW(found.child, shown, 64);
        EXPECT_EQ(std::wstring(shown), row.shown);
    }
}

TEST_F(FormsWin32, TheDeletionQuestionHasNoSystemMenu)
{
    ASSERT_EQ(Answer(L"いいえ(&N)"), kModalOk) << "the question never showed";
    EXPECT_NE(style & WS_CAPTION, 0);
    EXPECT_EQ(style & WS_SYSMENU, 0);
}

}  // namespace
}  // namespace lorvel::ui
