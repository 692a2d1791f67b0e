// The program: single instance, the four windows, start-up inside the wizard's
// first activation, the message loop, and the restart offer after it.
#pragma once

#include <functional>
#include <memory>

#include "app/CommandLine.h"
#include "app/ExitCode.h"
#include "app/RunLog.h"
#include "app/ScriptKeys.h"
#include "platform/Platform.h"
#include "run/AnswersFile.h"
#include "run/FileOps.h"
#include "run/FixedNames.h"
#include "run/ProfileStore.h"
#include "run/RunEvents.h"
#include "run/RunView.h"
#include "run/SetupContext.h"
#include "run/SharedFiles.h"
#include "ui/Forms.h"

namespace lorvel {

constexpr const char* kMutexName = "MIRSETUP";

class Application {
public:
    Application(platform::Platform& platform, ui::Backend& backend);
    ~Application();

    // The whole program. Its exit code is 0 for an interactive run; an unattended
    // one (/SILENT, /VERYSILENT, /SUPPRESSMSGBOXES) ends with the code of ExitCodeFor.
    int Run();

    // Whoever watches the runs besides their windows (the author's dry run); before Run.
    void Watch(RunEvents& events) { events_ = &events; }

    SetupContext& Context() { return context_; }
    ui::BackForm& Back() { return *frmBack_; }
    ui::MainForm& Main() { return *frmMain_; }
    ui::StatusForm& Status() { return *frmStatus_; }
    ui::SharedFileQuestionForm& SharedFileQuestion() { return *frmSharedFileQuestion_; }

private:
    void CreateForms();
    void StartUp();
    void ShowFatalState(const std::string& fatalText);
    void FillWizard(const GeneralKeys& keys);
    void FillInstallMode(const GeneralKeys& keys);
    void FillUninstallMode(const GeneralKeys& keys);
    void LoadReadme(const GeneralKeys& keys);
    void OfferRestart();
    // The switches that need reading before anything runs: the log and the answers
    // file; false when one of them cannot be used.
    bool PrepareSwitches(const CommandLine& line);
    void LogContext();
    // The folder and boxes given beforehand, over what start-up proposed.
    void ApplyGivenChoices();
    void RunUnattended(RunEnding& ending);
    void LogFailures(const std::string& failureText);
    int Finish(const RunEnding& ending);
    SharedFiles MakeSharedFiles();
    // Runs a run with the windows' view; an error that escapes it ends the run cleanly.
    void RunGuarded(const std::function<void(RunView&, SharedFiles&)>& run);

    platform::Platform& platform_;
    ui::Backend& backend_;
    FileOps ops_;
    ProfileStore profiles_;
    SetupContext context_;
    std::unique_ptr<ui::BackForm> frmBack_;
    std::unique_ptr<ui::MainForm> frmMain_;
    std::unique_ptr<ui::StatusForm> frmStatus_;
    std::unique_ptr<ui::SharedFileQuestionForm> frmSharedFileQuestion_;
    Switches switches_;
    AnswersFile answers_;
    RunLog log_;
    std::string fatalText_;
    RunEvents* events_ = nullptr;
};

}  // namespace lorvel
