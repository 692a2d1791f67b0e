#include "DryRunReport.h"

#include <string>

namespace lorvel::tool {

using nlohmann::json;

void PrintDryRunReport(const json& report, std::ostream& out)
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
        auto box = [](const json& b) {
            return std::string(b["checked"].get<bool>() ? "[x]" : "[ ]") +
                   (b["enabled"].get<bool>() ? "" : " (locked)");
        };
        if (std::string(title) == "install") {
            out << "  overwrite " << box(w["overwrite"]) << "  desktop " << box(w["shortcuts"]["desktop"])
                << "  start menu " << box(w["shortcuts"]["startMenu"]) << "  startup " << box(w["shortcuts"]["startup"])
                << "  send to " << box(w["shortcuts"]["sendTo"]) << "\n";
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
            out << "  [" << b["caption"].get<std::string>() << "] " << text << " -> " << b["answer"].get<std::string>()
                << " (" << b.value("from", "default") << ")\n";
        }
        out << "exit code: " << run.value("exitCode", 0) << "\n";
        const json& changes = run["changes"];
        out << "folders created:\n";
        for (const auto& f : changes["folders"]["added"]) out << "  " << f.get<std::string>() << "\n";
        if (!changes["folders"]["removed"].empty()) out << "folders removed:\n";
        for (const auto& f : changes["folders"]["removed"]) out << "  " << f.get<std::string>() << "\n";
        out << "files written:\n";
        for (const auto& f : changes["files"]) {
            out << "  " << f["path"].get<std::string>() << " (" << f["size"].get<std::size_t>() << " bytes, "
                << f["change"].get<std::string>();
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
            out << "  [" << r["key"].get<std::string>() << "]" << (r["keyRemoved"].get<bool>() ? " (key removed)" : "")
                << "\n";
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
        for (const auto& f : remains["folders"]["added"])
            out << "  folder " << f.get<std::string>() << "\n", any = true;
        for (const auto& f : remains["files"]) out << "  file " << f["path"].get<std::string>() << "\n", any = true;
        for (const auto& r : remains["registry"]["added"]) {
            out << "  registry [" << r["key"].get<std::string>() << "]\n";
            for (const auto& v : r["values"]) out << "    " << v.get<std::string>() << "\n";
            any = true;
        }
        if (!any) out << "  nothing\n";
    }
}

}  // namespace lorvel::tool
