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
#include "run/FixedNames.h"
#include "util/ProfileDocument.h"
#include "util/ShiftJisText.h"

namespace lorvel::tool {

namespace {

using nlohmann::json;

// Texts of the program are Shift-JIS; the report is UTF-8.
std::string U(const std::string& sjis)
{
    return ShiftJisToUtf8(sjis);
}

constexpr const char* kMediumProgram = "C:\\SETUP\\SETUP.EXE";
// Outside the medium and placed before the machine's first picture, so it is no change.
constexpr const char* kAnswersPath = "C:\\LVANSWER.INI";

// One file of the medium onto the simulated machine, over what is there: removed
// first, as the Windows runtime's copy will not overwrite.
bool PlaceFile(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    fs::remove(to, ec);
    return fs::copy_file(from, to, ec);
}

// The answers file onto the machine, where the program reads it as any unattended
// run would; false, with the reason told, when it cannot be read or holds a word it
// may not (the program's own reading, so the two cannot disagree on it).
bool PlaceAnswers(platform::virt::VirtualMachine& machine, const fs::path& path, std::ostream& err)
{
    std::string error;
    auto raw = ReadHostFile(path, error, kMaxScriptBytes);
    if (!raw) {
        err << "lorvel dry-run: " << error << "\n";
        return false;
    }
    auto text = LooksLikeUtf8(*raw) ? Utf8ToShiftJis(*raw) : raw;
    if (!text) {
        err << "lorvel dry-run: " << Shown(path) << ": not convertible to Shift-JIS\n";
        return false;
    }
    std::string problem;
    if (!ParseAnswersFile(*text, problem)) {
        err << "lorvel dry-run: " << Shown(path) << ": " << ShiftJisToTerminal(problem) << "\n";
        return false;
    }
    std::ofstream(machine.HostPath(kAnswersPath), std::ios::binary) << *text;
    return true;
}

// The program as a deployment starts it: unattended, with the progress window, and
// with the answers file when there is one. Every choice and answer is the program's.
json RunProgram(platform::virt::VirtualMachine& machine, DryRunBackend& backend, DryRunWatch& watch,
                const std::string& commandLine)
{
    machine.Config().commandLine = commandLine;
    platform::Platform platform = machine.AsPlatform();
    Application app(platform, backend);
    app.Watch(watch);
    const int exitCode = app.Run();
    ui::MainForm& main = app.Main();
    auto box = [](const ui::Control& c) { return json{{"checked", c.Checked()}, {"enabled", c.Enabled()}}; };
    json wizard;
    // The page the user reads first: the readme, when the script has one.
    if (main.fraReadme.Showing()) wizard["readme"] = U(main.fraReadme.Caption());
    wizard["title"] = U(app.Context().Uninstalling() ? app.Context().unSetupTitle : app.Context().setupTitle);
    wizard["message"] = U(main.lblMessage.Caption());
    wizard["folder"] = U(main.txtFolder.Caption());
    wizard["overwrite"] = box(main.chkOverWrite);
    wizard["shortcuts"] = {{"desktop", box(main.chkSCutDesktop)},
                           {"startMenu", box(main.chkSCutStartMenu)},
                           {"startup", box(main.chkSCutStartUp)},
                           {"sendTo", box(main.chkSCutSendTo)}};
    return {{"wizard", wizard}, {"exitCode", exitCode}};
}

// The medium's first disk in C:\SETUP with the script under the program's name, and
// each further disk put there when the program asks for it.
bool PlaceMedium(platform::virt::VirtualMachine& machine, const MediumLayout& medium, DryRunWatch& watch,
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
    if (!PlaceFile(medium.script, source / kScriptName)) {
        err << "lorvel dry-run: " << Shown(medium.script) << ": cannot be read\n";
        return false;
    }
    if (!fs::exists(source / kProgramName)) std::ofstream(source / kProgramName) << "MZ";
    machine.HostPath(kMediumProgram);
    watch.insertDisk = placeDisk;
    return true;
}

// One run of the program as the report tells it: the wizard, the progress window's
// phases, the questions, the failure details and what changed since before.
json ReportRun(platform::virt::VirtualMachine& machine, DryRunBackend& backend, DryRunWatch& watch,
               const Snapshot& before, const std::string& commandLine, Snapshot& after)
{
    backend.statuses.clear();
    watch.Clear();
    json run = RunProgram(machine, backend, watch, commandLine);
    run["phases"] = json::array();
    for (const std::string& s : backend.statuses) run["phases"].push_back(U(s));
    run["boxes"] = watch.boxes;
    run["failures"] = U(watch.failures);
    after = TakeSnapshot(machine);
    run["changes"] = Difference(before, after, machine);
    return run;
}

// Where each file written came from, as the copy phase said it took it.
void NoteSources(json& install, const std::vector<CopyEvent>& copies)
{
    for (const CopyEvent& copy : copies) {
        if (copy.outcome != CopyEvent::Outcome::Copied) continue;
        for (auto& file : install["changes"]["files"])
            if (EqualsAsciiNoCase(file["path"].get<std::string>(), U(copy.destination)))
                file["source"] = "disk " + std::to_string(copy.disk) + ": " + U(copy.sourceName);
    }
}

// The record the list of installed programs would start the uninstaller with, into
// the report; its path, or empty when the install left none.
std::string NoteRecord(const Snapshot& installed, json& report)
{
    const std::string tail = std::string("\\") + kRecordName;
    std::string record;
    for (const auto& [path, content] : installed.files) {
        if (path.size() >= tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0 &&
            path.find(kWorkFolderPrefix) == std::string::npos) {
            report["recordPath"] = path;
            report["record"] = U(content);
            record = path;
        }
    }
    return record;
}

// The uninstaller started from the record as the list of installed programs starts it.
void ReportUninstall(platform::virt::VirtualMachine& machine, DryRunBackend& backend, DryRunWatch& watch,
                     const std::string& record, const std::string& switches, const Snapshot& fresh,
                     const Snapshot& installed, json& report)
{
    const std::string uninstaller = std::string("C:\\WINDOWS\\") + kUninstallerName;
    machine.Config().programPath = uninstaller;
    const std::string commandLine =
        "\"" + uninstaller + "\" " + switches + " \"" + Utf8ToShiftJis(record).value_or(record) + "\"";
    Snapshot after;
    report["uninstall"] = ReportRun(machine, backend, watch, installed, commandLine, after);
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
        DryRunBackend backend;
        DryRunWatch watch;
        std::string switches = "/SILENT";
        if (!options.answers.empty()) {
            if (!PlaceAnswers(machine, options.answers, err)) return kExitError;
            switches += std::string(" \"/ANSWERS=") + kAnswersPath + "\"";
        }
        if (!PlaceMedium(machine, *medium, watch, err)) return kExitError;
        const Snapshot fresh = TakeSnapshot(machine);
        Snapshot installed;
        json install =
            ReportRun(machine, backend, watch, fresh, std::string("\"") + kMediumProgram + "\" " + switches, installed);
        NoteSources(install, watch.copies);
        report["install"] = install;
        const std::string record = NoteRecord(installed, report);
        if (options.uninstall && !record.empty())
            ReportUninstall(machine, backend, watch, record, switches, fresh, installed, report);
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
