#include "app/Application.h"

#include "app/Startup.h"
#include "app/VersionText.h"
#include "app/WizardRunView.h"
#include "install/InstallRun.h"
#include "uninstall/UninstallRun.h"
#include "util/MBUtils.h"

namespace lorvel {

using namespace platform;

Application::Application(Platform& platform, ui::Backend& backend)
    : platform_(platform), backend_(backend), ops_(platform), profiles_(platform.files)
{
}

Application::~Application() = default;

int Application::Run()
{
    if (platform_.system.OpenNamedMutex(kMutexName)) return 0;  // another instance runs
    {
        auto mutex = platform_.system.CreateNamedMutex(kMutexName);
        if (!platform_.system.IsDoubleByteSystem()) SetActiveLeadBytes(LeadByteSet::None());
        backend_.SetApplicationTitle(kProductName);
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
    frmStatus_ = std::make_unique<ui::StatusForm>(backend_, *frmMain_, *frmBack_);
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
    frmMain_->installRun = [this] {
        RunGuarded([this](RunView& view, SharedFiles& shared) {
            InstallRun(platform_, profiles_, ops_, context_, view, shared).Run();
        });
    };
    frmMain_->uninstallRun = [this] {
        RunGuarded([this](RunView& view, SharedFiles& shared) {
            UninstallRun(platform_, profiles_, ops_, context_, view, shared).Run();
        });
    };
}

void Application::RunGuarded(const std::function<void(RunView&, SharedFiles&)>& run)
{
    WizardRunView view(*frmBack_, *frmMain_, *frmStatus_, *frmCustomDlg_,
                       [this](unsigned milliseconds) { platform_.system.Sleep(milliseconds); });
    SharedFiles shared = MakeSharedFiles();
    try {
        run(view, shared);
    } catch (...) {
        // The general error report follows; the run ends cleanly behind it, so
        // the user is not left with a progress window and no way out.
        view.AbandonRun();
        throw;
    }
}

SharedFiles Application::MakeSharedFiles()
{
    return SharedFiles(platform_, !context_.Uninstalling(), [this](const std::string& text, const std::string& caption) {
        backend_.ShowMessageBox(text, caption, ui::box::kWarningOk);
    });
}

void Application::StartUp()
{
    frmMain_->DisableSystemClose();
    const StartupFacts facts = GatherStartupFacts(platform_, ops_);
    StartupDecision decision = DecideStartup(facts);
    PrepareWorkFolder(decision, platform_, ops_);
    CopyStartupFiles(decision, platform_, ops_);
    context_ = decision.context;
    if (!decision.fatalText.empty()) {
        ShowFatalState(decision.fatalText);
        return;
    }
    profiles_.SetWindowsFolder(context_.windowsFolder);
    // A component is unregistered before it is deleted.
    ops_.SetComponentUnregistrar([this](const std::string& path) { MakeSharedFiles().RegisterComponent(path, false); });
    const GeneralKeys keys = ScriptKeyReader(platform_, profiles_).Read(context_);
    FillWizard(keys);
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

void Application::FillWizard(const GeneralKeys& keys)
{
    context_.setupSpeed = keys.setupSpeed;
    context_.setupTitle = keys.setupTitle;
    context_.unSetupTitle = keys.unSetupTitle;
    context_.programId = keys.programId;
    frmMain_->txtFolder.SetCaption(keys.folder);
    if (context_.Uninstalling())
        FillUninstallMode(keys);
    else
        FillInstallMode(keys);
    const std::string& title = context_.Uninstalling() ? keys.unSetupTitle : keys.setupTitle;
    frmBack_->SetTitle(title);
    frmMain_->SetCaption(title);
}

// A start button is enabled only where its run exists; until then the wizard can be
// walked up to it and closed.
void Application::FillInstallMode(const GeneralKeys& keys)
{
    ui::MainForm& main = *frmMain_;
    ui::Control* const boxes[kShortcutBoxCount] = {&main.chkSCutDesktop, &main.chkSCutStartMenu,
                                                   &main.chkSCutStartUp, &main.chkSCutSendTo};
    for (std::size_t i = 0; i < kShortcutBoxCount; ++i) {
        if (!keys.shortcutBoxes[i]) continue;
        ui::Control* box = boxes[i];
        box->SetEnabled(keys.enabled);
        box->SetChecked(true);
    }
    context_.messageText = keys.messageText + "\r\n" + "※　処理を開始する前に，必ずすべてのプログラムを終了させてください．";
    main.lblMessage.SetCaption(context_.messageText);
    main.txtFolder.SetEnabled(keys.enabled);
    main.btnRefer.SetEnabled(keys.enabled);
    main.chkOverWrite.SetEnabled(keys.enabled);
    main.btnEnd.SetEnabled(true);
    if (!keys.readmePath.empty()) {
        main.btnEvent.SetCaption(ui::MainForm::kContinueSetup);
        main.btnEvent.SetEnabled(true);
        LoadReadme(keys);
        main.ShowReadme(true);
    } else {
        main.btnEvent.SetCaption(ui::MainForm::kStartSetup);
        main.btnEvent.SetEnabled(static_cast<bool>(main.installRun));
        main.ShowReadme(false);
    }
}

void Application::LoadReadme(const GeneralKeys& keys)
{
    ui::MainForm& main = *frmMain_;
    std::string text;
    platform_.files.ReadWholeFile(keys.readmePath, text);
    // Shown as text: a NUL would end it early.
    for (char& c : text)
        if (c == '\0') c = ' ';
    main.txtReadme.SetCaption(text);
    main.fraReadme.SetCaption(keys.readmeTitle);
    main.txtReadme.verticalScrollBar = keys.scrollBars != "ssHorizontal";
    main.txtReadme.horizontalScrollBar = keys.scrollBars == "ssHorizontal" || keys.scrollBars == "ssBoth";
    main.txtReadme.SetReadOnly(true);
}

void Application::FillUninstallMode(const GeneralKeys& keys)
{
    context_.messageText = "アンセットアップ(アンインストール)を行います．\r\n\r\n"
                           "開始するには，「アンセットアップ開始(S)」を選択してください．\r\n";
    frmMain_->FillUninstallMode(context_.messageText, keys.checkBox);
}

void Application::OfferRestart()
{
    if (!context_.restartRequested) return;
    // Anything but a confirmed restart leaves the setup unfinished: some shells show
    // the question and report no answer at all.
    if (platform_.shell.RestartDialog("", kExitWindowsReboot) != ui::box::kYes)
        backend_.ShowMessageBox("Windowsを再起動すると，セットアップは完了します．", "警告", ui::box::kWarningOk);
}

}  // namespace lorvel
