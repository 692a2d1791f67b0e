// The four windows of the program as forms with their design state. Their own
// behaviour lives here; what start-up and the runs do with them is wired in by the
// application through the hooks.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ui/FolderDialog.h"
#include "ui/Widgets.h"

namespace lorvel::ui {

// The background window: the application's main window, teal and maximised.
class BackForm final : public Form {
public:
    explicit BackForm(Backend& backend);

    Control& lblBackTitle2;
    Control& lblBackTitle1;
    Control& lblPrgTitle2;
    Control& lblPrgTitle1;

    // Shows the wizard modally on the first resize; set by the application.
    std::function<void()> showWizard;
    // The version text of the running program; set by the application.
    std::function<std::string()> versionText;

    // Both big titles: fixed width from the window's width, and the text.
    void SetTitle(const std::string& title);

private:
    void FormResize();
};

// The wizard window.
class MainForm final : public Form {
public:
    MainForm(Backend& backend, BackForm& back);

    Control& fraReadme;
    Control& txtReadme;
    Control& grpMessage;
    Control& lblMessage;
    Control& grpSetupFolder;
    Control& txtFolder;
    Control& btnRefer;
    Control& grpOption;
    Control& chkOverWrite;
    Control& fraShortCut;
    Control& lblUnSetupInfo;
    Control& chkSCutDesktop;
    Control& chkSCutStartMenu;
    Control& chkSCutStartUp;
    Control& chkSCutSendTo;
    Control& btnEvent;
    Control& btnEnd;
    Control& lblAnswerSlot;
    FolderDialog dlgFolder;

    // Start-up with the filling of the window, the two runs, and the program-end
    // clean-up; set by the application.
    std::function<void()> startUp;
    std::function<void()> installRun;
    std::function<void()> uninstallRun;
    std::function<void()> cleanUp;

    void ShowReadme(bool on);
    // The uninstall layout: the record's folder read-only, the options of the record's
    // UnSetupOption text ("DeleteAll", or "1" or "0" at bytes 1, 3, 5 and 7).
    void FillUninstallMode(const std::string& messageText, const std::string& checkBox);
    // The details view during a run: the failure text on the readme page with the
    // one button "続行(&C)"; returns when the user has pressed it. The progress
    // window is hidden meanwhile; pause waits through the program's clock.
    void ShowDetails(const std::string& frameCaption, const std::string& text, Form& progress,
                     const std::function<void(unsigned)>& pause);
    // The answer of the last question whose answer a step keeps.

    static constexpr const char* kContinueSetup = "セットアップ続行(&C)";
    static constexpr const char* kStartSetup = "セットアップ開始(&S)";
    static constexpr const char* kStartUnsetup = "アンセットアップ開始(&S)";
    static constexpr const char* kContinue = "続行(&C)";
    static constexpr const char* kEndFatal = "終了(&E)";
    static constexpr const char* kDeleteAll = "DeleteAll";

private:
    void FormActivate();
    void btnEventClick();
    void btnEndClick();
    void btnReferClick();
    bool FormCloseQuery();

    BackForm& back_;
};

// The progress window shown while a run works.
class StatusForm final : public Form {
public:
    StatusForm(Backend& backend, MainForm& main, BackForm& back);

    // A text that shows at once, with whatever waits to show before it.
    void SetMessage(const std::string& text);
    void ShowProgress(bool on);
    // The texts of a run's items and its bar can come faster than anyone reads them,
    // and each change costs a repaint: they show at most every kRefreshMicroseconds,
    // the latest one winning, and otherwise wait until the next one or the next other
    // change to the window. An item that will stay a while (a large file) shows at
    // once, so the window does not name the one before it meanwhile.
    static constexpr std::uint64_t kRefreshMicroseconds = 40000;
    // True when the text showed now.
    bool SetItemMessage(const std::string& text, bool lasting);
    // The bar keeps the percent within 0 to 100; the label shows the bar's position.
    void SetProgress(int percent, int done, int all);
    // Shows what waits to show; true when something did.
    bool Refresh();
    // Before the run waits for milliseconds: what waits to show shows when the wait
    // is as long as the window's refresh interval, long enough to be seen. True when
    // something did.
    bool RefreshBeforePause(unsigned milliseconds);
    // Microseconds on a steady clock; with none, every change shows at once.
    std::function<std::uint64_t()> refreshClock;
    void EnableAbort(bool on) { btnAbort.SetEnabled(on); }
    // True once the user confirmed an abort (the wizard window is disabled then too,
    // but the run asks this flag, not the window).
    bool AbortSignal() const { return abortConfirmed_; }

    Control& grpMessage;
    Control& lblMessage;
    Control& fraStatus;
    Control& prgStatus;
    Control& lblStatus;
    Control& btnAbort;

private:
    void btnAbortClick();

    // Whether a change may show now; when it may, the next one waits from now.
    bool RefreshDue(bool atOnce);
    void ShowProgressNow(int percent, int done, int all);

    MainForm& main_;
    BackForm& back_;
    bool abortConfirmed_ = false;
    std::optional<std::uint64_t> lastRefresh_;
    std::optional<std::string> waitingMessage_;
    struct Progress {
        int percent, done, all;
    };
    std::optional<Progress> waitingProgress_;
};

// The four-answer question before a shared file is deleted.
class SharedFileQuestionForm final : public Form {
public:
    // Each button writes its answer word into the answer slot (the wizard's hidden
    // label), which keeps it between questions.
    SharedFileQuestionForm(Backend& backend, Control& answerSlot);

    Control& lblMessage;
    Control& btnYes;
    Control& btnNo;
    Control& btnDelete;
    Control& btnSave;
};

}  // namespace lorvel::ui
