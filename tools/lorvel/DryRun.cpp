#include "DryRun.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <set>
#include <sstream>

#include "Commands.h"
#include "HostText.h"
#include "Medium.h"
#include "ScriptCheck.h"
#include "app/Application.h"
#include "platform/virtual/HostAccess.h"
#include "platform/virtual/VirtualMachine.h"
#include "ui/headless/HeadlessBackend.h"
#include "run/AnswersFile.h"
#include "util/MessageBox.h"
#include "util/ProfileDocument.h"
#include "util/StrOp.h"

namespace lorvel::tool {

namespace {

using nlohmann::json;

// Texts of the program are Shift-JIS; the report is UTF-8.
std::string U(const std::string& sjis) { return ShiftJisToUtf8(sjis); }

// The headless widgets, with the answers given by caption and the disks swapped in
// when the program asks for them.
class DryRunBackend final : public ui::Backend {
public:
    ui::HeadlessBackend inner;
    std::map<std::string, int> answers;  // caption (Shift-JIS) -> answer
    std::string sharedButton = "btnNo";
    std::function<void(int)> insertDisk;
    std::vector<std::string> statuses;  // the progress window's messages, in order
    std::string details;                // the failure details the wizard showed
    json boxes = json::array();

    void SetApplicationTitle(const std::string& title) override { inner.SetApplicationTitle(title); }
    void Realise(ui::Form& form) override { inner.Realise(form); }
    void Update(ui::Form& form) override { inner.Update(form); }
    void Update(ui::Control& control) override
    {
        if (control.Owner().Name() == "frmStatus" && control.Name() == "lblMessage" && !control.Caption().empty() &&
            (statuses.empty() || statuses.back() != control.Caption()))
            statuses.push_back(control.Caption());
        if (control.Owner().Name() == "frmMain" && control.Name() == "txtReadme" && control.Caption().rfind("<", 0) == 0)
            details = control.Caption();
        inner.Update(control);
    }
    void Show(ui::Form& form) override { inner.Show(form); }
    void Hide(ui::Form& form) override { inner.Hide(form); }
    void RunModal(ui::Form& form) override
    {
        if (form.Name() == "frmCustomDlg") {
            const std::string button = sharedButton;
            boxes.push_back({{"caption", "shared-file question"}, {"text", U(form.Get("lblMessage").Caption())}, {"answer", button}});
            inner.Then([&form, button] { form.Get(button).Press(); });
        }
        inner.RunModal(form);
    }
    void RunMainLoop(ui::Form& main) override { inner.RunMainLoop(main); }
    void ProcessMessages() override { inner.ProcessMessages(); }
    int ShowMessageBox(const std::string& text, const std::string& caption, int flags) override
    {
        const auto given = answers.find(caption);
        int answer = given != answers.end() ? given->second
                     : (flags & 0x0F) == 4 ? box::kYes
                                           : box::kOk;
        if ((flags & 0x0F) == 0) answer = box::kOk;
        boxes.push_back({{"caption", U(caption)}, {"text", U(text)}, {"answer", AnswerWord(answer)}});
        // "2枚目のディスクに交換してください．": the disk the program asks for.
        if (caption == "ディスク交換" && answer == box::kOk && insertDisk) insertDisk(std::atoi(text.c_str()));
        return answer;
    }
    bool BrowseForFolder(ui::Form& owner, ui::FolderBrowse& browse) override { return inner.BrowseForFolder(owner, browse); }
    bool UserGone() override { return inner.UserGone(); }
};

// What a machine holds, to tell what a run changed.
struct Snapshot {
    std::map<std::string, std::string> files;  // Windows path (UTF-8) -> content
    std::set<std::string> folders;
    std::map<std::string, std::set<std::string>> registry;  // key -> value lines
};

Snapshot Take(platform::virt::VirtualMachine& machine)
{
    machine.Save();
    Snapshot shot;
    const fs::path root = machine.Root();
    for (const auto& drive : fs::directory_iterator(root)) {
        if (!drive.is_directory() || drive.path().filename().string().size() != 1) continue;
        for (const auto& entry : fs::recursive_directory_iterator(drive.path())) {
            std::string path = drive.path().filename().string() + ":";
            for (const auto& part : fs::relative(entry.path(), drive.path())) path += "\\" + platform::virt::HostText(part);
            if (entry.is_directory()) {
                shot.folders.insert(path + "\\");
            } else {
                std::ifstream in(entry.path(), std::ios::binary);
                shot.files[path] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
        }
    }
    std::ifstream registry(root / "registry.reg", std::ios::binary);
    std::string line;
    std::string key;
    while (std::getline(registry, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.rfind("REGEDIT", 0) == 0) continue;
        if (line[0] == '[') {
            key = line.substr(1, line.size() - 2);
            shot.registry[key];
        } else {
            shot.registry[key].insert(line);
        }
    }
    return shot;
}

// One file of the medium onto the simulated machine, over what is there: removed
// first, as the Windows runtime's copy will not overwrite.
bool PlaceFile(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    fs::remove(to, ec);
    return fs::copy_file(from, to, ec);
}

// The non-empty lines, in file order.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// What changed from before to after: files, folders, profile entries, registry.
json Difference(const Snapshot& before, const Snapshot& after, platform::virt::VirtualMachine& machine)
{
    json files = json::array();
    json removedFiles = json::array();
    json profiles = json::array();
    json shortcuts = json::array();
    for (const auto& [path, content] : after.files) {
        const auto old = before.files.find(path);
        if (old != before.files.end() && old->second == content) continue;
        files.push_back({{"path", path}, {"size", content.size()}, {"change", old == before.files.end() ? "added" : "changed"}});
        const std::string upper = AsciiUpperCase(path);
        if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".LNK") == 0) {
            platform::LinkFields fields;
            const auto windowsPath = Utf8ToShiftJis(path);
            if (windowsPath && machine.Links().ReadLink(*windowsPath, fields) == 0)
                shortcuts.push_back({{"path", path}, {"target", U(fields.target)}, {"arguments", U(fields.arguments)},
                                     {"workingFolder", U(fields.workingFolder)}});
        }
        // Profile entries, but not the record's, which the report gives whole.
        const bool record = upper.size() >= 12 && upper.compare(upper.size() - 12, 12, "\\UNSETUP.INI") == 0;
        if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".INI") == 0 && !record &&
            upper.find("\\KRTMP") == std::string::npos) {
            std::set<std::string> was;
            if (old != before.files.end())
                for (const std::string& line : Lines(old->second)) was.insert(line);
            json added = json::array();
            std::string section;
            for (const std::string& line : Lines(content)) {
                if (line[0] == '[') section = line;
                else if (!was.count(line)) added.push_back(U(section + " " + line));
            }
            if (!added.empty()) profiles.push_back({{"file", path}, {"entries", added}});
        }
    }
    for (const auto& [path, content] : before.files)
        if (!after.files.count(path)) removedFiles.push_back({{"path", path}, {"size", content.size()}});
    json folders = json::array();
    json removedFolders = json::array();
    for (const std::string& folder : after.folders)
        if (!before.folders.count(folder)) folders.push_back(folder);
    for (const std::string& folder : before.folders)
        if (!after.folders.count(folder)) removedFolders.push_back(folder);
    json registry = json::array();
    json removedRegistry = json::array();
    for (const auto& [key, values] : after.registry) {
        const auto old = before.registry.find(key);
        const bool newKey = old == before.registry.end();
        json added = json::array();
        for (const std::string& value : values)
            if (newKey || !old->second.count(value)) added.push_back(U(value));
        if (newKey || !added.empty()) registry.push_back({{"key", U(key)}, {"values", added}, {"newKey", newKey}});
    }
    for (const auto& [key, values] : before.registry) {
        const auto now = after.registry.find(key);
        json gone = json::array();
        for (const std::string& value : values)
            if (now == after.registry.end() || !now->second.count(value)) gone.push_back(U(value));
        if (now == after.registry.end() || !gone.empty())
            removedRegistry.push_back({{"key", U(key)}, {"values", gone}, {"keyRemoved", now == after.registry.end()}});
    }
    return {{"folders", {{"added", folders}, {"removed", removedFolders}}},
            {"files", files},
            {"removedFiles", removedFiles},
            {"shortcuts", shortcuts},
            {"profileEntries", profiles},
            {"registry", {{"added", registry}, {"removed", removedRegistry}}}};
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

void PrintText(const json& report, std::ostream& out)
{
    auto printRun = [&](const json& run, const char* title) {
        out << "== " << title << " ==\n";
        const json& w = run["wizard"];
        out << "wizard: " << w.value("title", "") << "\n";
        if (w.contains("readme")) out << "  readme page: " << w["readme"].get<std::string>() << "\n";
        std::string message = w.value("message", "");
        for (std::size_t at; (at = message.find("\r\n")) != std::string::npos;) message.replace(at, 2, "\n    ");
        // Empty lines of the message stay empty, without the indent.
        for (std::size_t at; (at = message.find("\n    \n")) != std::string::npos;) message.replace(at, 6, "\n\n");
        out << "  message: " << message << "\n  folder: " << w.value("folder", "") << "\n";
        auto box = [](const json& b) { return std::string(b["checked"].get<bool>() ? "[x]" : "[ ]") + (b["enabled"].get<bool>() ? "" : " (locked)"); };
        if (std::string(title) == "install") {
            out << "  overwrite " << box(w["overwrite"]) << "  desktop " << box(w["shortcuts"]["desktop"]) << "  start menu "
                << box(w["shortcuts"]["startMenu"]) << "  startup " << box(w["shortcuts"]["startup"]) << "  send to "
                << box(w["shortcuts"]["sendTo"]) << "\n";
        }
        out << "phases:\n";
        for (const auto& status : run["phases"]) {
            std::string text = status.get<std::string>();
            for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " | ");
            out << "  " << text << "\n";
        }
        out << "questions and messages:\n";
        for (const auto& b : run["boxes"]) {
            std::string text = b["text"].get<std::string>();
            for (char& c : text)
                if (c == '\r' || c == '\n') c = ' ';
            out << "  [" << b["caption"].get<std::string>() << "] " << text << " -> " << b["answer"].get<std::string>() << "\n";
        }
        const json& changes = run["changes"];
        out << "folders created:\n";
        for (const auto& f : changes["folders"]["added"]) out << "  " << f.get<std::string>() << "\n";
        if (!changes["folders"]["removed"].empty()) out << "folders removed:\n";
        for (const auto& f : changes["folders"]["removed"]) out << "  " << f.get<std::string>() << "\n";
        out << "files written:\n";
        for (const auto& f : changes["files"]) {
            out << "  " << f["path"].get<std::string>() << " (" << f["size"].get<std::size_t>() << " bytes, " << f["change"].get<std::string>();
            if (f.contains("source")) out << ", from " << f["source"].get<std::string>();
            out << ")\n";
        }
        if (!changes["removedFiles"].empty()) out << "files removed:\n";
        for (const auto& f : changes["removedFiles"]) out << "  " << f["path"].get<std::string>() << "\n";
        if (!changes["shortcuts"].empty()) out << "shortcuts:\n";
        for (const auto& s : changes["shortcuts"])
            out << "  " << s["path"].get<std::string>() << " -> " << s["target"].get<std::string>() << " args '"
                << s["arguments"].get<std::string>() << "' in " << s["workingFolder"].get<std::string>() << "\n";
        if (!changes["registry"]["added"].empty()) out << "registry written:\n";
        for (const auto& r : changes["registry"]["added"]) {
            out << "  [" << r["key"].get<std::string>() << "]" << (r["newKey"].get<bool>() ? " (new key)" : "") << "\n";
            for (const auto& v : r["values"]) out << "    " << v.get<std::string>() << "\n";
        }
        if (!changes["registry"]["removed"].empty()) out << "registry removed:\n";
        for (const auto& r : changes["registry"]["removed"]) {
            out << "  [" << r["key"].get<std::string>() << "]" << (r["keyRemoved"].get<bool>() ? " (key removed)" : "") << "\n";
            for (const auto& v : r["values"]) out << "    " << v.get<std::string>() << "\n";
        }
        for (const auto& p : changes["profileEntries"]) {
            out << "profile entries in " << p["file"].get<std::string>() << ":\n";
            for (const auto& l : p["entries"]) out << "  " << l.get<std::string>() << "\n";
        }
        if (!run["failures"].get<std::string>().empty()) {
            std::string failures = run["failures"].get<std::string>();
            for (std::size_t at; (at = failures.find("\r\n")) != std::string::npos;) failures.replace(at, 2, "\n  ");
            out << "failures:\n  " << failures << "\n";
        }
    };
    printRun(report["install"], "install");
    if (report.contains("record")) {
        out << "uninstall record " << report["recordPath"].get<std::string>() << ":\n";
        std::string record = report["record"].get<std::string>();
        for (std::size_t at; (at = record.find("\r\n")) != std::string::npos;) record.replace(at, 2, "\n  ");
        out << "  " << record << "\n";
    }
    if (report.contains("uninstall")) {
        printRun(report["uninstall"], "uninstall");
        const json& remains = report["remains"];
        out << "== left on the machine after the uninstall, against a fresh one ==\n";
        bool any = false;
        for (const auto& f : remains["folders"]["added"]) out << "  folder " << f.get<std::string>() << "\n", any = true;
        for (const auto& f : remains["files"]) out << "  file " << f["path"].get<std::string>() << "\n", any = true;
        for (const auto& r : remains["registry"]["added"]) {
            out << "  registry [" << r["key"].get<std::string>() << "]\n";
            for (const auto& v : r["values"]) out << "    " << v.get<std::string>() << "\n";
            any = true;
        }
        if (!any) out << "  nothing\n";
    }
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
    if (!options.answers.empty()) {
        auto raw = ReadHostFile(options.answers, error, kMaxScriptBytes);
        if (!raw) {
            err << "lorvel dry-run: " << error << "\n";
            return kExitError;
        }
        if (LooksLikeUtf8(*raw)) raw = Utf8ToShiftJis(*raw);
        if (!raw) {
            err << "lorvel dry-run: " << Shown(options.answers) << ": not convertible to Shift-JIS\n";
            return kExitError;
        }
        std::string problem;
        auto parsed = ParseAnswersFile(*raw, problem);
        if (!parsed) {
            err << "lorvel dry-run: " << Shown(options.answers) << ": " << ShiftJisToTerminal(problem) << "\n";
            return kExitError;
        }
        backend.answers = parsed->answers;
        wizard = parsed->wizard;
        static const std::map<std::string, std::string> buttons = {
            {"Yes", "btnYes"}, {"No", "btnNo"}, {"Delete", "btnDelete"}, {"Save", "btnSave"}};
        if (!parsed->shared.empty()) backend.sharedButton = buttons.at(parsed->shared);
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
        const fs::path source = machine.HostPath("C:\\SETUP");
        fs::create_directories(source);
        auto placeDisk = [&](int disk) {
            const fs::path folder = medium->DiskFolder(disk);
            std::error_code ec;
            for (const auto& entry : fs::directory_iterator(folder, ec))
                if (entry.is_regular_file()) PlaceFile(entry.path(), source / entry.path().filename());
            machine.HostPath("C:\\SETUP\\");
        };
        placeDisk(1);
        // The script read by the simulated program is the medium's, whatever its name here.
        if (!PlaceFile(medium->script, source / "SETUP.INI")) {
            err << "lorvel dry-run: " << Shown(medium->script) << ": cannot be read\n";
            return kExitError;
        }
        if (!fs::exists(source / "SETUP.EXE")) std::ofstream(source / "SETUP.EXE") << "MZ";
        machine.HostPath("C:\\SETUP\\SETUP.EXE");
        backend.insertDisk = placeDisk;

        const Snapshot fresh = Take(machine);
        json install;
        install["wizard"] = RunProgram(machine, backend, [&](Application& app) {
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
        });
        install["phases"] = json::array();
        for (const std::string& s : backend.statuses) install["phases"].push_back(U(s));
        install["boxes"] = backend.boxes;
        install["failures"] = U(backend.details);
        const Snapshot installed = Take(machine);
        install["changes"] = Difference(fresh, installed, machine);

        // Where each copied file came from: the copy phase names the entries' targets in order.
        {
            const auto script = ReadHostFile(medium->script, error, kMaxScriptBytes);
            const ProfileDocument document = ProfileDocument::Parse(script.value_or(""));
            std::vector<std::string> targets;
            for (const std::string& status : backend.statuses) {
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
                for (auto& file : install["changes"]["files"]) {
                    if (EqualsAsciiNoCase(file["path"].get<std::string>(), targets[i])) file["source"] = "disk " + std::to_string(disk) + ": " + U(parts.sourceName);
                }
            }
        }
        report["install"] = install;

        // The record the list of installed programs would start the uninstaller with.
        std::string record;
        for (const auto& [path, content] : installed.files) {
            if (path.size() >= 12 && path.compare(path.size() - 12, 12, "\\UNSETUP.INI") == 0 && path.find("KRTMP") == std::string::npos) {
                report["recordPath"] = path;
                report["record"] = U(content);
                record = path;
            }
        }
        if (options.uninstall && !record.empty()) {
            const auto windowsRecord = Utf8ToShiftJis(record);
            machine.Config().commandLine = "\"C:\\WINDOWS\\UNKORAT.EXE\" \"" + windowsRecord.value_or(record) + "\"";
            machine.Config().programPath = "C:\\WINDOWS\\UNKORAT.EXE";
            backend.statuses.clear();
            backend.boxes = json::array();
            backend.details.clear();
            json uninstall;
            uninstall["wizard"] = RunProgram(machine, backend, [](Application&) {});
            uninstall["phases"] = json::array();
            for (const std::string& s : backend.statuses) uninstall["phases"].push_back(U(s));
            uninstall["boxes"] = backend.boxes;
            uninstall["failures"] = U(backend.details);
            const Snapshot after = Take(machine);
            uninstall["changes"] = Difference(installed, after, machine);
            report["uninstall"] = uninstall;
            json remains = Difference(fresh, after, machine);
            report["remains"] = remains;
        } else if (options.uninstall) {
            err << "lorvel dry-run: the install left no uninstall record, so there is nothing to uninstall\n";
        }
    }
    // A text of the script that is no Shift-JIS is shown with its bytes replaced
    // rather than ending the report.
    if (options.json) {
        out << report.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    } else {
        std::ostringstream text;
        PrintText(report, text);
        out << Utf8ToTerminal(text.str());
    }
    return kExitClean;
}

}  // namespace lorvel::tool
