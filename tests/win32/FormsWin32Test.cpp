// The forms on real windows under the system: the deletion question, which only the
// uninstall run shows, answered by a user pressing each of its buttons. Another
// thread plays the user, as a person at the screen would: it waits for the window
// and presses a button by its text.
#include <windows.h>

#include <gtest/gtest.h>

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
    CustomDlgForm dialog{ui, main.lblFormShare};
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
    struct Row { const wchar_t* button; const char* answer; };
    const Row rows[] = {{L"はい(&Y)", "Yes"}, {L"いいえ(&N)", "No"}, {L"すべて削除(&D)", "Delete"},
                        {L"すべて保存(&A)", "Save"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        ASSERT_EQ(Answer(row.button), kModalOk) << "the question or its button never showed";
        EXPECT_EQ(main.lblFormShare.Caption(), row.answer);
        EXPECT_FALSE(dialog.Visible());
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
