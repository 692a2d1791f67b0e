#include "Pack.h"

#include "ZipWriter.h"

#include <algorithm>
#include <iomanip>
#include <map>
#include <ostream>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "Commands.h"
#include "HostText.h"
#include "Medium.h"
#include "ScriptCheck.h"
#include "util/ProfileDocument.h"
#include "util/Szdd.h"

namespace lorvel::tool {

namespace {

// Disk space goes in whole sectors; counting each file rounded up to one keeps a
// disk from being over-filled by its last file's slack.
constexpr std::uint64_t kSector = 512;
std::uint64_t OnDisk(std::uint64_t bytes) { return (bytes + kSector - 1) / kSector * kSector; }

std::string Fold(std::string name)
{
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

bool FitsEightThree(const std::string& name)
{
    const auto dot = name.find('.');
    if (dot == std::string::npos) return name.size() <= 8;
    return dot >= 1 && dot <= 8 && name.size() - dot - 1 <= 3 && name.find('.', dot + 1) == std::string::npos;
}

std::string ToCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 20);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

struct MediumFile {
    std::string name;      // on the medium
    std::string bytes;
    std::uint64_t original = 0;
};

struct Disk {
    std::vector<MediumFile> files;
    std::set<std::string> names;  // folded
    std::uint64_t used = 0;
};

class Progress {
public:
    Progress(std::ostream& err, bool enabled, std::uint64_t total) : err_(err), enabled_(enabled && total > 0), total_(total) {}
    void Advance(std::uint64_t bytes, const std::string& name)
    {
        done_ += bytes;
        if (!enabled_) return;
        const int width = 30;
        const int filled = static_cast<int>(done_ * width / total_);
        err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#') << std::string(static_cast<std::size_t>(width - filled), ' ')
             << "] " << std::setw(3) << done_ * 100 / total_ << "% " << std::left << std::setw(24) << name.substr(0, 24)
             << std::right << std::flush;
    }
    void Finish()
    {
        if (enabled_) err_ << "\r" << std::string(64, ' ') << "\r" << std::flush;
    }

private:
    std::ostream& err_;
    bool enabled_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
};

// The script as the medium needs it: Shift-JIS and CR LF. A script written in UTF-8
// (with or without a byte order mark) is converted; anything else must already be
// Shift-JIS.
std::optional<std::string> ScriptForMedium(const std::string& bytes, std::string& error)
{
    if (bytes.find('\0') != std::string::npos) {
        error = "the script holds NUL bytes: a binary file, not a setup script";
        return std::nullopt;
    }
    std::string text = bytes;
    const bool bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (bom) text.erase(0, 3);
    if (bom || LooksLikeUtf8(text)) {
        auto converted = Utf8ToShiftJis(text);
        if (!converted) {
            error = "the script is UTF-8 with characters that Shift-JIS cannot hold";
            return std::nullopt;
        }
        text = std::move(*converted);
    } else if (const auto bad = FirstInvalidShiftJis(text); bad != std::string::npos) {
        error = "the script is neither UTF-8 nor Shift-JIS (byte " + std::to_string(bad) + ")";
        return std::nullopt;
    }
    return ToCrLf(text);
}

fs::path FindSetupExe(const PackOptions& options, std::string& error)
{
    if (!options.setupExe.empty()) return options.setupExe;
    if (auto found = FindInFolder(options.sources, "SETUP.EXE")) return *found;
    error = "no SETUP.EXE in " + Shown(options.sources) + "; give --setup-exe";
    return {};
}

std::string Ratio(std::uint64_t after, std::uint64_t before)
{
    if (before == 0) return "-";
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << 100.0 * static_cast<double>(after) / static_cast<double>(before) << "%";
    return text.str();
}

}  // namespace

std::optional<std::uint64_t> ParseDiskSize(const std::string& text)
{
    if (text == "1.44M") return 1457664;  // 2,880 sectors
    if (text == "2.88M") return 2915328;
    if (text.empty()) return std::nullopt;
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0 || digits > 12) return std::nullopt;
    std::uint64_t value = std::stoull(text.substr(0, digits));
    const std::string unit = Fold(text.substr(digits));
    if (unit == "K") value <<= 10;
    else if (unit == "M") value <<= 20;
    else if (unit == "G") value <<= 30;
    else if (!unit.empty()) return std::nullopt;
    return value ? std::optional<std::uint64_t>(value) : std::nullopt;
}

int RunPack(const PackOptions& options, std::ostream& out, std::ostream& err)
{
    auto fail = [&](const std::string& message) {
        err << "lorvel pack: " << message << "\n";
        return kExitError;
    };
    std::error_code ec;
    if (fs::exists(options.output, ec) && !options.force)
        return fail(Shown(options.output) + " exists; use --force to replace it");
    if (!fs::is_directory(options.sources, ec)) return fail(Shown(options.sources) + ": no such folder");
    // An unattended run does not wait for a disk: a zip is of a one-folder medium.
    if (!options.zip.empty() && options.diskSize != 0) return fail("--zip packs a medium of one folder; leave out --disk-size");
    if (!options.zip.empty() && fs::exists(options.zip, ec) && !options.force)
        return fail(Shown(options.zip) + " exists; use --force to replace it");

    std::string error;
    const auto raw = ReadHostFile(options.script, error, kMaxScriptBytes);
    if (!raw) return fail(error);
    auto script = ScriptForMedium(*raw, error);
    if (!script) return fail(Shown(options.script) + ": " + error);
    const fs::path setupExePath = FindSetupExe(options, error);
    if (setupExePath.empty()) return fail(error);
    const auto setupExe = ReadHostFile(setupExePath, error);
    if (!setupExe) return fail(error);

    ProfileDocument document = ProfileDocument::Parse(*script);
    struct Entry {
        std::string key;
        CopyEntryParts parts;
        fs::path source;
    };
    std::vector<Entry> entries;
    std::vector<std::string> missing;
    std::uint64_t totalBytes = 0;
    for (int n = 1;; ++n) {
        const std::string key = "File" + std::to_string(n);
        const std::string value = document.Read("CopyFile", key).value_or("");
        if (value.empty()) break;
        Entry entry{key, SplitCopyEntry(value), {}};
        if (auto found = FindInFolder(options.sources, ShiftJisToHostName(entry.parts.sourceName));
            found && fs::is_regular_file(*found, ec)) {
            entry.source = *found;
            totalBytes += fs::file_size(*found, ec);
        } else {
            missing.push_back(key + ": " + entry.parts.sourceName);
        }
        entries.push_back(std::move(entry));
    }
    if (!missing.empty()) {
        for (const std::string& m : missing) err << "lorvel pack: not in " << Shown(options.sources) << ": " << ShiftJisToTerminal(m) << "\n";
        return fail(std::to_string(missing.size()) + " source file" + (missing.size() == 1 ? "" : "s") + " missing; nothing written");
    }

    // The readme is read from the first disk as it is, so it is never compressed.
    std::string readme = document.Read("Readme", "File").value_or("");
    if (!readme.empty() && readme[0] == '\\') readme.erase(0, 1);

    const bool disks = options.diskSize > 0;
    std::vector<Disk> medium(1);
    // The script grows by "(Dch)" where disks change: reserve the most it can grow by.
    const std::uint64_t scriptReserve = OnDisk(script->size() + 5 * entries.size());
    medium[0].used = OnDisk(setupExe->size()) + scriptReserve;
    medium[0].names = {"SETUP.EXE", "SETUP.INI"};
    if (!readme.empty()) {
        const auto found = FindInFolder(options.sources, ShiftJisToHostName(readme));
        if (found) {
            auto bytes = ReadHostFile(*found, error);
            if (!bytes) return fail(error);
            medium[0].used += OnDisk(bytes->size());
            medium[0].names.insert(Fold(readme));
            const std::uint64_t size = bytes->size();
            medium[0].files.push_back(MediumFile{readme, std::move(*bytes), size});
        }
    }
    if (disks && medium[0].used > options.diskSize)
        return fail("SETUP.EXE, the script and the readme need " + std::to_string(medium[0].used) +
                    " bytes, more than a disk of " + std::to_string(options.diskSize));

    std::vector<std::string> warnings;
    std::size_t droppedMarks = 0;
    Progress progress(err, options.progress, totalBytes);
    std::map<std::string, std::pair<std::string, std::string>> packedOnce;  // folded source -> (medium name, bytes)
    for (Entry& entry : entries) {
        auto source = ReadHostFile(entry.source, error);
        if (!source) return fail(error);
        // Names as the script gives them, in Shift-JIS; the host spells them its own way.
        const std::string name = entry.parts.sourceName;
        std::string mediumName = name;
        // Only a target that ends in the file's name can be given the compressed name.
        const std::string& target = entry.parts.target;
        const bool renamable = target.size() >= name.size() && Fold(target.substr(target.size() - name.size())) == Fold(name);
        std::string bytes = *source;
        const bool isReadme = !readme.empty() && Fold(name) == Fold(readme);
        const bool alreadyCompressed = !name.empty() && name.back() == '_';
        const auto naming = CompressedName(name);
        if (const auto cached = packedOnce.find(Fold(name)); cached != packedOnce.end()) {
            mediumName = cached->second.first;
            bytes = cached->second.second;
        } else if (options.compress != CompressMode::None && !isReadme && !alreadyCompressed && naming && renamable) {
            std::string compressed = CompressSzdd(*source, naming->lastCharacter);
            if (options.compress == CompressMode::All || compressed.size() < source->size()) {
                mediumName = naming->name;
                bytes = std::move(compressed);
            }
        } else if (options.compress == CompressMode::All && !isReadme && !alreadyCompressed && !naming) {
            warnings.push_back(entry.parts.sourceName + " is stored as it is: a compressed name could not give its name back");
        }
        packedOnce.emplace(Fold(name), std::make_pair(mediumName, bytes));
        progress.Advance(source->size(), name);

        // A disk change the author wrote starts a new disk; one folder needs none.
        if (entry.parts.diskChange && !disks) {
            entry.parts.diskChange = false;
            ++droppedMarks;
        } else if (entry.parts.diskChange) {
            medium.emplace_back();
        }
        if (Fold(mediumName) != Fold(name) && medium.back().names.count(Fold(mediumName)) &&
            !medium.back().names.count(Fold(name))) {
            // Another file already has this compressed name on the disk.
            mediumName = name;
            bytes = *source;
        }
        if (!medium.back().names.count(Fold(mediumName))) {
            const std::uint64_t need = OnDisk(bytes.size());
            if (disks && need > options.diskSize)
                return fail(entry.parts.sourceName + " needs " + std::to_string(need) + " bytes on a disk, more than the disk size of " +
                            std::to_string(options.diskSize));
            if (disks && medium.back().used + need > options.diskSize) {
                medium.emplace_back();
                entry.parts.diskChange = true;
            }
            if (disks && !FitsEightThree(mediumName))
                warnings.push_back(mediumName + " does not fit in 8.3, which a disk's file system may need");
            medium.back().used += need;
            medium.back().names.insert(Fold(mediumName));
            medium.back().files.push_back(MediumFile{mediumName, std::move(bytes), source->size()});
        }
        // The entry names the compressed file; the target's own name gives way to it.
        if (Fold(mediumName) != Fold(name)) entry.parts.target = target.substr(0, target.size() - name.size()) + mediumName;
        document.Write("CopyFile", entry.key, JoinCopyEntry(entry.parts));
    }
    progress.Finish();
    if (droppedMarks)
        warnings.push_back(std::to_string(droppedMarks) + " \"(Dch)\" mark" + (droppedMarks == 1 ? "" : "s") +
                           " dropped: a one-folder medium has no disks to change");

    // Everything goes into a folder beside the output, which takes the output's name
    // only when it is complete and checked.
    std::random_device random;
    const fs::path absoluteOutput = fs::absolute(options.output, ec);
    const fs::path staging = absoluteOutput.parent_path() / ("." + absoluteOutput.filename().string() + ".lorvel-" + std::to_string(random()));
    struct Cleanup {
        fs::path path;
        ~Cleanup()
        {
            std::error_code ignored;
            if (!path.empty()) fs::remove_all(path, ignored);
        }
    } cleanup{staging};
    const std::string finalScript = document.Serialize();
    for (std::size_t d = 0; d < medium.size(); ++d) {
        const fs::path folder = disks ? staging / ("DISK" + std::to_string(d + 1)) : staging;
        fs::create_directories(folder, ec);
        if (ec) return fail(Shown(folder) + ": " + ec.message());
        if (d == 0) {
            if (!WriteHostFileAtomic(folder / "SETUP.EXE", *setupExe, error) ||
                !WriteHostFileAtomic(folder / "SETUP.INI", finalScript, error))
                return fail(error);
        }
        for (const MediumFile& file : medium[d].files)
            if (!WriteHostFileAtomic(folder / ShiftJisToHostName(file.name), file.bytes, error)) return fail(error);
    }

    std::ostringstream checkOut;
    std::ostringstream checkErr;
    const int checked = RunCheck({staging, false}, checkOut, checkErr);
    // The check names the staging folder; the author knows the medium by its own name.
    std::string checkText = checkOut.str();
    const std::string stagingShown = Shown(staging);
    for (std::size_t at; (at = checkText.find(stagingShown)) != std::string::npos;)
        checkText.replace(at, stagingShown.size(), Shown(absoluteOutput));
    if (checked == kExitError) {
        out << checkText << checkErr.str();
        return fail("the packed medium does not pass the check; nothing written");
    }

    if (fs::exists(absoluteOutput, ec)) fs::remove_all(absoluteOutput, ec);
    if (ec) return fail(Shown(options.output) + ": cannot be replaced: " + ec.message());
    fs::rename(staging, absoluteOutput, ec);
    if (ec) return fail(Shown(options.output) + ": " + ec.message());
    cleanup.path.clear();

    std::uint64_t before = 0;
    std::uint64_t after = 0;
    std::size_t files = 0;
    for (const Disk& disk : medium) {
        for (const MediumFile& file : disk.files) {
            before += file.original;
            after += file.bytes.size();
            ++files;
        }
    }
    out << "packed " << Shown(options.output) << ": " << entries.size() << " entries, " << files << " files, " << before
        << " -> " << after << " bytes (" << Ratio(after, before) << "), " << medium.size() << (medium.size() == 1 ? " disk" : " disks")
        << "\n";
    for (std::size_t d = 0; d < medium.size(); ++d) {
        out << "  " << (disks ? "DISK" + std::to_string(d + 1) : std::string(".")) << ": ";
        if (d == 0) out << "SETUP.EXE SETUP.INI ";
        for (const MediumFile& file : medium[d].files) out << ShiftJisToTerminal(file.name) << " ";
        out << "(" << medium[d].used - (d == 0 ? scriptReserve - OnDisk(finalScript.size()) : 0) << " bytes";
        if (disks) out << " of " << options.diskSize;
        out << ")\n";
    }
    if (!options.zip.empty()) {
        // The medium's own files at the top of the archive, SETUP.EXE among them, as a
        // package manager unpacks it and starts the nested installer.
        std::vector<ZipEntry> zipEntries;
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(absoluteOutput, ec))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            const auto name = file.filename().u8string();
            zipEntries.push_back({std::string(name.begin(), name.end()), file});
        }
        std::string zipError;
        if (!WriteStoredZip(options.zip, zipEntries, zipError)) return fail(zipError);
        out << "zipped " << Shown(options.zip) << ": " << zipEntries.size() << " files\n";
    }
    for (const std::string& w : warnings) out << "warning: " << ShiftJisToTerminal(w) << "\n";
    if (checked == kExitWarnings) out << checkText;
    return warnings.empty() && checked == kExitClean ? kExitClean : kExitWarnings;
}

}  // namespace lorvel::tool
