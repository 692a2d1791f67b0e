#include "DryRun.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <sstream>

#include "Commands.h"
#include "DryRunBackend.h"
#include "DryRunReport.h"
#include "HostText.h"
#include "MachineDiff.h"
#include "Medium.h"
#include "ScriptCheck.h"
#include "app/Application.h"
#include "platform/virtual/VirtualMachine.h"
#include "run/AnswersFile.h"
#include "util/ProfileDocument.h"
#include "util/StrOp.h"

namespace lorvel::tool {

namespace {

using nlohmann::json;

// Texts of the program are Shift-JIS; the report is UTF-8.
std::string U(const std::string& sjis) { return ShiftJisToUtf8(sjis); }

// One file of the medium onto the simulated machine, over what is there: removed
// first, as the Windows runtime's copy will not overwrite.
bool PlaceFile(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    fs::remove(to, ec);
    return fs::copy_file(from, to, ec);
}

json RunProgram(platform::virt::VirtualMachine& machine, DryRunBackend& backend, const std::function<void(Application&)>& user)
{
    platform::Platform platform = machine.AsPlatform();
    Application app(platform, backend);
    json wizard;
    backend.inner.Then([&] {
        ui::MainForm& main = app.Main();
        auto box = [](const ui::Control& c) { return json{{"checked", c.Checked()}, {"enabled", c.Enabled()}}; };
        // The page the user reads first: the readme, when the script has one.
        if (main.fraReadme.Showing()) wizard["readme"] = U(main.fraReadme.Caption());
        user(app);
        wizard["title"] = U(app.Context().Uninstalling() ? app.Context().unSetupTitle : app.Context().setupTitle);
        wizard["message"] = U(main.lblMessage.Caption());
        wizard["folder"] = U(main.txtFolder.Caption());
        wizard["overwrite"] = box(main.chkOverWrite);
        wizard["shortcuts"] = {{"desktop", box(main.chkSCutDesktop)}, {"startMenu", box(main.chkSCutStartMenu)},
                               {"startup", box(main.chkSCutStartUp)}, {"sendTo", box(main.chkSCutSendTo)}};
        wizard["button"] = U(main.btnEvent.Caption());
        main.btnEvent.Press();
    });
    app.Run();
    return wizard;
}

// The answers file into the widgets and the wizard's settings; false, with the
// reason told, when it cannot be read or holds a word it may not.
bool LoadAnswers(const fs::path& path, DryRunBackend& backend, std::map<std::string, std::string>& wizard,
                 std::ostream& err)
{
    std::string error;
    auto raw = ReadHostFile(path, error, kMaxScriptBytes);
    if (!raw) {
        err << "lorvel dry-run: " << error << "\n";
        return false;
    }
    if (LooksLikeUtf8(*raw)) raw = Utf8ToShiftJis(*raw);
    if (!raw) {
        err << "lorvel dry-run: " << Shown(path) << ": not convertible to Shift-JIS\n";
        return false;
    }
    std::string problem;
    auto parsed = ParseAnswersFile(*raw, problem);
    if (!parsed) {
        err << "lorvel dry-run: " << Shown(path) << ": " << ShiftJisToTerminal(problem) << "\n";
        return false;
    }
    backend.answers = parsed->answers;
    wizard = parsed->wizard;
    static const std::map<std::string, std::string> buttons = {
        {"Yes", "btnYes"}, {"No", "btnNo"}, {"Delete", "btnDelete"}, {"Save", "btnSave"}};
    if (!parsed->shared.empty()) backend.sharedButton = buttons.at(parsed->shared);
    return true;
}

// The medium's first disk in C:\SETUP with the script under the program's name, and
// each further disk put there when the program asks for it.
bool PlaceMedium(platform::virt::VirtualMachine& machine, const MediumLayout& medium, DryRunBackend& backend,
                 std::ostream& err)
{
    const fs::path source = machine.HostPath("C:\\SETUP");
    fs::create_directories(source);
    auto placeDisk = [&machine, &medium, source](int disk) {
        const fs::path folder = medium.DiskFolder(disk);
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec))
            if (entry.is_regular_file()) PlaceFile(entry.path(), source / entry.path().filename());
        machine.HostPath("C:\\SETUP\\");
    };
    placeDisk(1);
    // The script read by the simulated program is the medium's, whatever its name here.
    if (!PlaceFile(medium.script, source / "SETUP.INI")) {
        err << "lorvel dry-run: " << Shown(medium.script) << ": cannot be read\n";
        return false;
    }
    if (!fs::exists(source / "SETUP.EXE")) std::ofstream(source / "SETUP.EXE") << "MZ";
    machine.HostPath("C:\\SETUP\\SETUP.EXE");
    backend.insertDisk = placeDisk;
    return true;
}

// One run of the program as the report tells it: the wizard, the progress window's
// phases, the questions, the failure details and what changed since before.
json ReportRun(platform::virt::VirtualMachine& machine, DryRunBackend& backend, const Snapshot& before,
               const std::function<void(Application&)>& user, Snapshot& after)
{
    backend.statuses.clear();
    backend.boxes = json::array();
    backend.details.clear();
    json run;
    run["wizard"] = RunProgram(machine, backend, user);
    run["phases"] = json::array();
    for (const std::string& s : backend.statuses) run["phases"].push_back(U(s));
    run["boxes"] = backend.boxes;
    run["failures"] = U(backend.details);
    after = TakeSnapshot(machine);
    run["changes"] = Difference(before, after, machine);
    return run;
}

// The wizard as the answers file sets it, then its start button.
void FillWizard(Application& app, std::map<std::string, std::string>& wizard)
{
    ui::MainForm& main = app.Main();
    for (int i = 0; i < 3 && main.btnEvent.Caption() != "セットアップ開始(&S)" && main.btnEvent.Enabled(); ++i)
        main.btnEvent.Press();
    if (wizard.count("Folder")) main.txtFolder.SetCaption(wizard["Folder"]);
    const std::pair<const char*, ui::Control*> boxes[] = {{"OverWrite", &main.chkOverWrite}, {"Desktop", &main.chkSCutDesktop},
                                                          {"StartMenu", &main.chkSCutStartMenu}, {"StartUp", &main.chkSCutStartUp},
                                                          {"SendTo", &main.chkSCutSendTo}};
    // A box the wizard does not enable cannot be ticked by a user either.
    for (const auto& [key, control] : boxes)
        if (wizard.count(key) && control->Enabled()) control->SetChecked(AnswerTicks(wizard[key], control->Checked()));
}

// Where each copied file came from: the copy phase names the entries' targets in order.
void NoteSources(json& install, const std::vector<std::string>& statuses, const fs::path& script)
{
    std::string error;
    const auto bytes = ReadHostFile(script, error, kMaxScriptBytes);
    const ProfileDocument document = ProfileDocument::Parse(bytes.value_or(""));
    std::vector<std::string> targets;
    for (const std::string& status : statuses) {
        for (const char* marker : {"Copying -> ", "Skipping -> "}) {
            const auto at = status.find(marker);
            if (at != std::string::npos && status.find("ファイル") != std::string::npos)
                targets.push_back(U(status.substr(at + std::string(marker).size())));
        }
    }
    int disk = 1;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const std::string value = document.Read("CopyFile", "File" + std::to_string(i + 1)).value_or("");
        const CopyEntryParts parts = SplitCopyEntry(value);
        if (parts.diskChange) ++disk;
        for (auto& file : install["changes"]["files"])
            if (EqualsAsciiNoCase(file["path"].get<std::string>(), targets[i]))
                file["source"] = "disk " + std::to_string(disk) + ": " + U(parts.sourceName);
    }
}

// The record the list of installed programs would start the uninstaller with, into
// the report; its path, or empty when the install left none.
std::string NoteRecord(const Snapshot& installed, json& report)
{
    std::string record;
    for (const auto& [path, content] : installed.files) {
        if (path.size() >= 12 && path.compare(path.size() - 12, 12, "\\UNSETUP.INI") == 0 && path.find("KRTMP") == std::string::npos) {
            report["recordPath"] = path;
            report["record"] = U(content);
            record = path;
        }
    }
    return record;
}

// The uninstaller started from the record as the list of installed programs starts it.
void ReportUninstall(platform::virt::VirtualMachine& machine, DryRunBackend& backend, const std::string& record,
                     const Snapshot& fresh, const Snapshot& installed, json& report)
{
    const auto windowsRecord = Utf8ToShiftJis(record);
    machine.Config().commandLine = "\"C:\\WINDOWS\\UNKORAT.EXE\" \"" + windowsRecord.value_or(record) + "\"";
    machine.Config().programPath = "C:\\WINDOWS\\UNKORAT.EXE";
    Snapshot after;
    report["uninstall"] = ReportRun(machine, backend, installed, [](Application&) {}, after);
    report["remains"] = Difference(fresh, after, machine);
}

}  // namespace

int RunDryRun(const DryRunOptions& options, std::ostream& out, std::ostream& err)
{
    std::string error;
    const auto medium = LocateMedium(options.medium, error);
    if (!medium) {
        err << "lorvel dry-run: " << error << "\n";
        return kExitError;
    }
    DryRunBackend backend;
    std::map<std::string, std::string> wizard;
    if (!options.answers.empty() && !LoadAnswers(options.answers, backend, wizard, err)) return kExitError;

    std::random_device random;
    const fs::path root = fs::temp_directory_path() / ("lorvel-dry-run-" + std::to_string(random()));
    struct Cleanup {
        fs::path path;
        ~Cleanup()
        {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } cleanup{root};
    json report;
    {
        platform::virt::VirtualMachine machine(root);
        if (!PlaceMedium(machine, *medium, backend, err)) return kExitError;
        const Snapshot fresh = TakeSnapshot(machine);
        Snapshot installed;
        json install = ReportRun(machine, backend, fresh, [&](Application& app) { FillWizard(app, wizard); }, installed);
        NoteSources(install, backend.statuses, medium->script);
        report["install"] = install;
        const std::string record = NoteRecord(installed, report);
        if (options.uninstall && !record.empty())
            ReportUninstall(machine, backend, record, fresh, installed, report);
        else if (options.uninstall)
            err << "lorvel dry-run: the install left no uninstall record, so there is nothing to uninstall\n";
    }
    // A text of the script that is no Shift-JIS is shown with its bytes replaced
    // rather than ending the report.
    if (options.json) {
        out << report.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    } else {
        std::ostringstream text;
        PrintDryRunReport(report, text);
        out << Utf8ToTerminal(text.str());
    }
    return kExitClean;
}

}  // namespace lorvel::tool
