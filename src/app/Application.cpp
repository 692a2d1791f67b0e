#include "app/Application.h"

#include "app/SingleFile.h"
#include "app/Startup.h"
#include "app/UnattendedRunView.h"
#include "app/VersionText.h"
#include "app/WizardRunView.h"
#include "install/InstallJournal.h"
#include "install/InstallRun.h"
#include "uninstall/UninstallRun.h"
#include "util/ProductName.h"
#include "util/ShiftJisSearch.h"

namespace lorvel {

using namespace platform;

Application::Application(Platform& platform, ui::Backend& backend)
    : platform_(platform), backend_(backend), ops_(platform), profiles_(platform.files), log_(platform)
{
}

Application::~Application() = default;

int Application::Run()
{
    const CommandLine line = SplitCommandLine(platform_.system.GetProgramCommandLine());
    switches_ = line.switches;
    RunEnding ending;
    ending.unattended = switches_.Unattended();
    const bool switchesUsable = PrepareSwitches(line);
    // A deployment tool's mistake ends the run before it changes anything; a person
    // starting the wizard by hand is not stopped by a switch the program passes over.
    if (ending.unattended && !switchesUsable) {
        ending.badSwitches = true;
        return Finish(ending);
    }
    if (platform_.system.OpenNamedMutex(kMutexName)) {  // another instance runs
        log_.Line("another instance of the program is running");
        ending.otherInstance = true;
        return Finish(ending);
    }
    {
        auto mutex = platform_.system.CreateNamedMutex(kMutexName);
        if (!platform_.system.IsDoubleByteSystem()) SetActiveLeadBytes(LeadByteSet::None());
        backend_.SetApplicationTitle(kProductName);
        CreateForms();
        if (ending.unattended)
            RunUnattended(ending);
        else
            backend_.RunMainLoop(*frmBack_);
    }
    ending.restartRequested = context_.restartRequested;
    if (ending.unattended || switches_.noRestart) {
        if (context_.restartRequested) log_.Line("the system must restart to finish; it is not restarted now");
        if (!ending.unattended && context_.restartRequested)
            backend_.ShowMessageBox("Windowsを再起動すると，セットアップは完了します．", "警告", ui::box::kWarningOk);
    } else {
        OfferRestart();
    }
    return Finish(ending);
}

bool Application::PrepareSwitches(const CommandLine& line)
{
    bool usable = true;
    if (switches_.log) {
        if (const ErrorCode code = log_.Open(*switches_.log); code != kErrorSuccess) usable = false;
    }
    log_.Line("command line: " + platform_.system.GetProgramCommandLine());
    for (const std::string& text : line.switchTexts) log_.Line("switch: " + text);
    for (const std::string& bad : switches_.bad)
        log_.Line((switches_.Unattended() ? "unknown switch or missing value: " : "switch passed over: ") + bad);
    if (!switches_.bad.empty()) usable = false;
    if (switches_.answers) {
        std::string problem;
        std::string bytes;
        const auto found = platform_.files.Stat(*switches_.answers);
        if (!found) {
            problem = "cannot be read";
        } else if (const ErrorCode code = platform_.files.ReadWholeFile(*switches_.answers, bytes, kMaxScriptBytes);
                   code != kErrorSuccess) {
            problem =
                code == kErrorFileTooLarge ? "is larger than 4 MB" : "cannot be read: " + ops_.SystemErrorText(code);
        } else {
            if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
            std::optional<std::string> text = bytes;
            if (IsUtf8Text(bytes)) text = platform_.system.Utf8ToShiftJis(bytes);
            if (!text)
                problem = "is UTF-8 that has no Shift-JIS form";
            else if (auto parsed = ParseAnswersFile(*text, problem))
                answers_ = std::move(*parsed);
        }
        if (!problem.empty()) {
            log_.Line("answers file " + *switches_.answers + ": " + problem);
            usable = false;
        }
    }
    return usable;
}

int Application::Finish(const RunEnding& ending)
{
    const int code = ExitCodeFor(ending);
    log_.Line("exit code " + std::to_string(code));
    log_.Flush();
    return code;
}

void Application::LogContext()
{
    const SetupContext& c = context_;
    log_.Line("run mode: " + std::string(c.Uninstalling() ? "uninstall" : "install"));
    const std::pair<const char*, const std::string*> folders[] = {
        {"source folder", &c.sourceFolder},
        {"Windows folder", &c.windowsFolder},
        {"system folder", &c.systemFolder},
        {"temporary folder", &c.tempFolder},
        {"Program Files folder", &c.programFilesFolder},
        {"work folder", &c.workFolder},
        {"script", &c.scriptFile},
    };
    for (const auto& [name, value] : folders) log_.Line(std::string(name) + ": " + *value);
}

void Application::ApplyGivenChoices()
{
    ui::MainForm& main = *frmMain_;
    std::optional<std::string> folder;
    if (const auto given = answers_.wizard.find("Folder"); given != answers_.wizard.end() && !given->second.empty())
        folder = given->second;
    if (switches_.dir) folder = switches_.dir;
    if (context_.Uninstalling()) {
        if (folder) log_.Line("the folder given is passed over: an uninstall removes the record's folder");
        return;
    }
    // What the script locks a person cannot change, and neither can a switch.
    if (folder && main.txtFolder.Enabled())
        main.txtFolder.SetCaption(*folder);
    else if (folder)
        log_.Line("the folder given is passed over: the script fixes the setup folder");
    const std::pair<const char*, ui::Control*> boxes[] = {{"OverWrite", &main.chkOverWrite},
                                                          {"Desktop", &main.chkSCutDesktop},
                                                          {"StartMenu", &main.chkSCutStartMenu},
                                                          {"StartUp", &main.chkSCutStartUp},
                                                          {"SendTo", &main.chkSCutSendTo}};
    for (const auto& [key, control] : boxes)
        if (const auto given = answers_.wizard.find(key); given != answers_.wizard.end() && control->Enabled())
            control->SetChecked(AnswerTicks(given->second, control->Checked()));
    log_.Line("setup folder: " + main.txtFolder.Caption());
}

void Application::RunUnattended(RunEnding& ending)
{
    StartUp();
    if (!fatalText_.empty()) {
        ending.fatalStartup = true;
        log_.Line("fatal: " + fatalText_);
    } else {
        const RunOptions options =
            WizardRunView(*frmBack_, *frmMain_, *frmStatus_, *frmSharedFileQuestion_, [](unsigned) {}).ReadOptions();
        UnattendedAnswers answers(answers_);
        UnattendedRunView view(options, answers, log_, switches_.verySilent ? nullptr : frmStatus_.get(),
                               events_ ? *events_ : RunEvents::None());
        SharedFiles shared = MakeSharedFiles();
        try {
            if (context_.Uninstalling()) {
                const RunServices services{platform_, profiles_, ops_, context_, view, shared, events_};
                const RepairOutcome repaired = RepairBeforeUninstall(services);
                UninstallRun run(services);
                run.GoOnFrom(repaired);
                run.Run();
                ending.stopped = run.RecordRefused();
                ending.failures = run.Failures().count;
                LogFailures(run.Failures().text);
            } else {
                InstallRun run({platform_, profiles_, ops_, context_, view, shared, events_});
                run.Run();
                ending.failures = run.State().failures.count;
                LogFailures(run.State().failures.text);
            }
        } catch (const std::exception& error) {
            ending.error = true;
            log_.Line(std::string("error: ") + error.what());
        } catch (...) {
            ending.error = true;
            log_.Line(std::string("error: ") + ui::Backend::kUnexpectedError);
        }
        ending.stopped = ending.stopped || view.Stopped();
        ending.declined = answers.Declined();
        const std::string record = context_.setupFolder + kRecordName;
        if (!context_.Uninstalling() && !ending.stopped && !ending.error && platform_.files.FileExists(record))
            log_.Line("record written: " + record);
        frmStatus_->Hide();
    }
    CleanUpAtProgramEnd(context_.tempFolder, context_.workFolder, platform_, ops_);
}

void Application::LogFailures(const std::string& failureText)
{
    if (events_) events_->RunEnded(failureText);
    // Records are separated by an empty line; each becomes one line of the log.
    std::size_t start = 0;
    while (start < failureText.size()) {
        auto end = failureText.find("\r\n\r\n", start);
        if (end == std::string::npos) end = failureText.size();
        std::string record = failureText.substr(start, end - start);
        while (!record.empty() && (record.back() == '\r' || record.back() == '\n')) record.pop_back();
        if (!record.empty()) log_.Line("failure: " + record);
        start = end + 4;
    }
}

void Application::CreateForms()
{
    frmBack_ = std::make_unique<ui::BackForm>(backend_);
    frmMain_ = std::make_unique<ui::MainForm>(backend_, *frmBack_);
    frmStatus_ = std::make_unique<ui::StatusForm>(backend_, *frmMain_, *frmBack_);
    frmStatus_->refreshClock = [this] { return platform_.system.GetMicroseconds(); };
    frmSharedFileQuestion_ = std::make_unique<ui::SharedFileQuestionForm>(backend_, frmMain_->lblAnswerSlot);
    for (ui::Form* form : std::initializer_list<ui::Form*>{frmBack_.get(), frmMain_.get(), frmStatus_.get(),
                                                           frmSharedFileQuestion_.get()})
        form->Create();

    frmBack_->versionText = [this] {
        const auto version = platform_.system.GetFileVersionString(platform_.system.GetProgramPath());
        return BuildVersionText(version.value_or(std::string()));
    };
    frmBack_->showWizard = [this] { frmMain_->ShowModal(); };
    frmMain_->startUp = [this] { StartUp(); };
    frmMain_->cleanUp = [this] { CleanUpAtProgramEnd(context_.tempFolder, context_.workFolder, platform_, ops_); };
    frmMain_->installRun = [this] {
        RunGuarded([this](RunView& view, SharedFiles& shared) {
            InstallRun run({platform_, profiles_, ops_, context_, view, shared, events_});
            run.Run();
            LogFailures(run.State().failures.text);
        });
    };
    frmMain_->uninstallRun = [this] {
        RunGuarded([this](RunView& view, SharedFiles& shared) {
            const RunServices services{platform_, profiles_, ops_, context_, view, shared, events_};
            const RepairOutcome repaired = RepairBeforeUninstall(services);
            UninstallRun run(services);
            run.GoOnFrom(repaired);
            run.Run();
            LogFailures(run.Failures().text);
        });
    };
}

void Application::RunGuarded(const std::function<void(RunView&, SharedFiles&)>& run)
{
    WizardRunView view(*frmBack_, *frmMain_, *frmStatus_, *frmSharedFileQuestion_,
                       [this](unsigned milliseconds) { platform_.system.Sleep(milliseconds); });
    SharedFiles shared = MakeSharedFiles();
    LoggedRunView logged(view, log_);
    try {
        run(log_.IsOpen() ? static_cast<RunView&>(logged) : view, shared);
    } catch (const std::exception& error) {
        log_.Line(std::string("error: ") + error.what());
        view.AbandonRun();
        throw;
    } catch (...) {
        // The general error report follows; the run ends cleanly behind it, so
        // the user is not left with a progress window and no way out.
        view.AbandonRun();
        throw;
    }
}

SharedFiles Application::MakeSharedFiles()
{
    return SharedFiles(platform_, !context_.Uninstalling(),
                       [this](const std::string& text, const std::string& caption) {
                           log_.Line("warning [" + caption + "] " + text);
                           if (!switches_.Unattended()) backend_.ShowMessageBox(text, caption, ui::box::kWarningOk);
                       });
}

void Application::StartUp()
{
    frmMain_->DisableSystemClose();
    const StartupFacts facts = GatherStartupFacts(platform_, ops_);
    StartupDecision decision = DecideStartup(facts);
    PrepareWorkFolder(decision, platform_, ops_);
    if (UnpackCarriedMedium(decision, platform_, ops_)) CopyStartupFiles(decision, platform_, ops_);
    context_ = decision.context;
    LogContext();
    if (!decision.fatalText.empty()) {
        fatalText_ = decision.fatalText;
        ShowFatalState(decision.fatalText);
        return;
    }
    profiles_.SetWindowsFolder(context_.windowsFolder);
    // A component is unregistered before it is deleted.
    ops_.SetComponentUnregistrar([this](const std::string& path) { MakeSharedFiles().RegisterComponent(path, false); });
    const GeneralKeys keys = ScriptKeyReader(platform_, profiles_).Read(context_);
    FillWizard(keys);
    ApplyGivenChoices();
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
    ui::Control* const boxes[kShortcutBoxCount] = {&main.chkSCutDesktop, &main.chkSCutStartMenu, &main.chkSCutStartUp,
                                                   &main.chkSCutSendTo};
    for (std::size_t i = 0; i < kShortcutBoxCount; ++i) {
        if (!keys.shortcutBoxes[i]) continue;
        ui::Control* box = boxes[i];
        box->SetEnabled(keys.enabled);
        box->SetChecked(true);
    }
    context_.messageText =
        keys.messageText + "\r\n" + "※　処理を開始する前に，必ずすべてのプログラムを終了させてください．";
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
    // A readme is a page of text: a file of any size is not shown.
    platform_.files.ReadWholeFile(keys.readmePath, text, kMaxScriptBytes);
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
