#include "MachineDiff.h"

#include <fstream>
#include <vector>

#include "HostFiles.h"
#include "HostText.h"
#include "platform/virtual/HostAccess.h"
#include "run/FixedNames.h"
#include "util/ShiftJisText.h"

namespace lorvel::tool {

namespace {

using nlohmann::json;

std::string U(const std::string& sjis)
{
    return ShiftJisToUtf8(sjis);
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

}  // namespace

Snapshot TakeSnapshot(platform::virt::VirtualMachine& machine)
{
    machine.Save();
    Snapshot shot;
    const fs::path root = machine.Root();
    for (const auto& drive : fs::directory_iterator(root)) {
        if (!drive.is_directory() || drive.path().filename().string().size() != 1) continue;
        for (const auto& entry : fs::recursive_directory_iterator(drive.path())) {
            std::string path = drive.path().filename().string() + ":";
            for (const auto& part : fs::relative(entry.path(), drive.path()))
                path += "\\" + platform::virt::HostText(part);
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

json Difference(const Snapshot& before, const Snapshot& after, platform::virt::VirtualMachine& machine)
{
    json files = json::array();
    json removedFiles = json::array();
    json profiles = json::array();
    json shortcuts = json::array();
    for (const auto& [path, content] : after.files) {
        const auto old = before.files.find(path);
        if (old != before.files.end() && old->second == content) continue;
        files.push_back(
            {{"path", path}, {"size", content.size()}, {"change", old == before.files.end() ? "added" : "changed"}});
        const std::string upper = AsciiUpperCase(path);
        if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".LNK") == 0) {
            platform::LinkFields fields;
            const auto windowsPath = Utf8ToShiftJis(path);
            if (windowsPath && machine.Links().ReadLink(*windowsPath, fields) == 0)
                shortcuts.push_back({{"path", path},
                                     {"target", U(fields.target)},
                                     {"arguments", U(fields.arguments)},
                                     {"workingFolder", U(fields.workingFolder)}});
        }
        // Profile entries, but not the record's, which the report gives whole.
        const bool record = upper.size() >= 12 && upper.compare(upper.size() - 12, 12, "\\UNSETUP.INI") == 0;
        if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".INI") == 0 && !record &&
            upper.find(std::string("\\") + kWorkFolderPrefix) == std::string::npos) {
            std::set<std::string> was;
            if (old != before.files.end())
                for (const std::string& line : Lines(old->second)) was.insert(line);
            json added = json::array();
            std::string section;
            for (const std::string& line : Lines(content)) {
                if (line[0] == '[')
                    section = line;
                else if (!was.count(line))
                    added.push_back(U(section + " " + line));
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

}  // namespace lorvel::tool
