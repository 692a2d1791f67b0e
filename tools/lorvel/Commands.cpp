#include "Commands.h"

#include <ostream>

#include "HostText.h"
#include "Medium.h"
#include "ScriptCheck.h"
#include "util/Szdd.h"

namespace lorvel::tool {

namespace {

// The largest file the format can describe: its header holds a 32-bit length.
constexpr std::uintmax_t kMaxSzddInput = 0xFFFFFFFFu;

bool RefuseExisting(const fs::path& output, bool force, std::ostream& err)
{
    std::error_code ec;
    if (!force && fs::exists(output, ec)) {
        err << "lorvel: " << Shown(output) << " exists; use --force to replace it\n";
        return true;
    }
    return false;
}

}  // namespace

int RunCompress(const CompressOptions& options, std::ostream& out, std::ostream& err)
{
    std::string error;
    const auto input = ReadHostFile(options.input, error, kMaxSzddInput);
    if (!input) {
        err << "lorvel: " << error << "\n";
        return kExitError;
    }
    const std::string name = options.input.filename().string();
    const auto naming = CompressedName(name);
    fs::path output = options.output;
    if (output.empty()) {
        if (!naming) {
            err << "lorvel: " << Shown(options.input)
                << ": a compressed name keeps the last character of the extension, and this name has none to keep"
                   " (or ends in \"_\" or a double-byte character); give --output\n";
            return kExitError;
        }
        output = options.input.parent_path() / naming->name;
    }
    if (RefuseExisting(output, options.force, err)) return kExitError;
    const std::string compressed = CompressSzdd(*input, naming ? naming->lastCharacter : 0);
    if (!WriteHostFileAtomic(output, compressed, error)) {
        err << "lorvel: " << error << "\n";
        return kExitError;
    }
    out << Shown(options.input) << " -> " << Shown(output) << ": " << input->size() << " -> " << compressed.size()
        << " bytes\n";
    return kExitClean;
}

int RunExpand(const CompressOptions& options, std::ostream& out, std::ostream& err)
{
    std::string error;
    const auto input = ReadHostFile(options.input, error);
    if (!input) {
        err << "lorvel: " << error << "\n";
        return kExitError;
    }
    const auto header = ReadSzddHeader(*input);
    if (!header) {
        err << "lorvel: " << Shown(options.input) << ": not a compressed file (no SZDD header)\n";
        return kExitError;
    }
    fs::path output = options.output;
    if (output.empty()) {
        const std::string name = options.input.filename().string();
        const std::string expanded = ExpandedName(name, header);
        if (expanded == name) {
            err << "lorvel: " << Shown(options.input)
                << ": the platform gives this file no other name when it expands it; give --output\n";
            return kExitError;
        }
        output = options.input.parent_path() / expanded;
    }
    if (RefuseExisting(output, options.force, err)) return kExitError;
    std::string expanded;
    if (ExpandSzdd(*input, expanded) != SzddResult::Expanded) {
        err << "lorvel: " << Shown(options.input) << ": truncated or corrupt: " << expanded.size() << " of "
            << header->length << " bytes; nothing written\n";
        return kExitError;
    }
    if (!WriteHostFileAtomic(output, expanded, error)) {
        err << "lorvel: " << error << "\n";
        return kExitError;
    }
    out << Shown(options.input) << " -> " << Shown(output) << ": " << expanded.size() << " bytes\n";
    return kExitClean;
}

int ReportDiagnostics(const std::string& shownPath, const std::vector<Diagnostic>& found, bool werror,
                      std::ostream& out)
{
    int errors = 0;
    int warnings = 0;
    for (const Diagnostic& d : found) {
        const bool isError = d.severity == Severity::Error || werror;
        (isError ? errors : warnings)++;
        out << shownPath;
        if (d.line > 0) out << ":" << d.line << ":" << d.column;
        out << ": " << (isError ? "error" : "warning") << ": " << ShiftJisToTerminal(d.message) << " [" << d.rule
            << "]\n";
    }
    if (errors == 0 && warnings == 0)
        out << shownPath << ": no problems found\n";
    else
        out << shownPath << ": " << errors << (errors == 1 ? " error, " : " errors, ") << warnings
            << (warnings == 1 ? " warning\n" : " warnings\n");
    return errors ? kExitError : warnings ? kExitWarnings : kExitClean;
}

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err)
{
    std::string error;
    const auto medium = LocateMedium(options.path, error);
    if (!medium) {
        err << "lorvel: " << error << "\n";
        return kExitError;
    }
    // One byte more than the limit is enough for the check to say it is too large.
    const auto bytes = ReadHostFile(medium->script, error, kMaxScriptBytes + 1);
    if (!bytes) {
        err << "lorvel: " << error << "\n";
        return kExitError;
    }
    const MediumLayout layout = *medium;
    const auto found = CheckScript(*bytes, [&](int disk, const std::string& name) { return layout.Holds(disk, name); });
    return ReportDiagnostics(Shown(medium->script), found, options.werror, out);
}

}  // namespace lorvel::tool
