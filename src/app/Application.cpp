#include "app/Application.h"

#include "app/Startup.h"
#include "app/VersionText.h"
#include "util/MBUtils.h"

namespace lorvel {

using namespace platform;

Application::Application(Platform& platform, ui::Backend& backend)
    : platform_(platform), backend_(backend), ops_(platform)
{
}

Application::~Application() = default;

int Application::Run()
{
    if (platform_.system.OpenNamedMutex(kMutexName)) return 0;  // another instance runs
    {
        auto mutex = platform_.system.CreateNamedMutex(kMutexName);
        if (!platform_.system.IsDoubleByteSystem()) SetActiveLeadBytes(LeadByteSet::None());
        backend_.SetApplicationTitle(kApplicationTitle);
        CreateForms();
        backend_.RunMainLoop(*frmBack_);
    }
    OfferRestart();
    return 0;
}

void Application::CreateForms()
{
    frmBack_ = std::make_unique<ui::BackForm>(backend_);
    frmMain_ = std::make_unique<ui::MainForm>(backend_, *frmBack_);
    frmStatus_ = std::make_unique<ui::StatusForm>(backend_);
    frmCustomDlg_ = std::make_unique<ui::CustomDlgForm>(backend_, frmMain_->lblFormShare);
    for (ui::Form* form : std::initializer_list<ui::Form*>{frmBack_.get(), frmMain_.get(), frmStatus_.get(),
                                                           frmCustomDlg_.get()})
        form->Create();

    frmBack_->versionText = [this] {
        const auto version = platform_.system.GetFileVersionString(platform_.system.GetProgramPath());
        return BuildVersionText(version.value_or(std::string()));
    };
    frmBack_->showWizard = [this] { frmMain_->ShowModal(); };
    frmMain_->startUp = [this] { StartUp(); };
    frmMain_->cleanUp = [this] { CleanUpAtProgramEnd(context_.tempFolder, platform_, ops_); };
}

void Application::StartUp()
{
    frmMain_->DisableSystemClose();
    const StartupFacts facts = GatherStartupFacts(platform_, ops_);
    StartupDecision decision = DecideStartup(facts);
    decision.context.workFolder = PrepareWorkFolder(decision.context.tempFolder, ops_);
    CopyStartupFiles(decision, platform_, ops_);
    context_ = decision.context;
    if (!decision.fatalText.empty()) {
        ShowFatalState(decision.fatalText);
        return;
    }
    ShowReadyState();
}

void Application::ShowFatalState(const std::string& fatalText)
{
    frmMain_->lblMessage.SetCaption(fatalText + "\r\n" + kFatalTrailer);
    frmMain_->btnEvent.SetCaption(ui::MainForm::kStartSetup);
    frmMain_->btnEvent.SetEnabled(false);
    frmMain_->btnEnd.SetCaption(ui::MainForm::kEndFatal);
    frmMain_->btnEnd.SetEnabled(true);
    frmMain_->ShowReadme(false);
}

// Until the script's general keys are read, a sound start-up ends in the ready state
// of its run mode with the event button disabled: the run mode shows in the
// captions, the end button works with its close confirmation, and nothing can start
// a run that does not exist yet.
void Application::ShowReadyState()
{
    ui::MainForm& main = *frmMain_;
    if (context_.Uninstalling()) {
        main.btnEvent.SetCaption(ui::MainForm::kStartUnsetup);
        main.btnEnd.SetCaption("アンセットアップ終了(&E)");
    } else {
        main.btnEvent.SetCaption(ui::MainForm::kStartSetup);
    }
    main.btnEvent.SetEnabled(false);
    main.btnEnd.SetEnabled(true);
    main.ShowReadme(false);
}

void Application::OfferRestart()
{
    if (!context_.restartRequested) return;
    if (platform_.shell.RestartDialog("", kExitWindowsReboot) == ui::box::kNo)
        backend_.ShowMessageBox("Windowsを再起動すると，セットアップは完了します．", "警告", ui::box::kWarningOk);
}

}  // namespace lorvel
