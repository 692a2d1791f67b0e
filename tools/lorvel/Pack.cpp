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
#include "SingleFile.h"
#include "run/FixedNames.h"
#include "util/NumberedValues.h"
#include "util/ProfileDocument.h"
#include "util/ScriptVocabulary.h"
#include "util/ShiftJisText.h"
#include "util/Szdd.h"

namespace lorvel::tool {

namespace {

// Disk space goes in whole sectors; counting each file rounded up to one keeps a
// disk from being over-filled by its last file's slack.
constexpr std::uint64_t kSector = 512;
std::uint64_t OnDisk(std::uint64_t bytes)
{
    return (bytes + kSector - 1) / kSector * kSector;
}

// Names on a medium compare as the system compares them: ASCII letters folded.
std::string Fold(const std::string& name)
{
    return AsciiUpperCase(name);
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
    std::string name;  // on the medium
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
    Progress(std::ostream& err, bool enabled, std::uint64_t total)
        : err_(err), enabled_(enabled && total > 0), total_(total)
    {
    }
    void Advance(std::uint64_t bytes, const std::string& name)
    {
        done_ += bytes;
        if (!enabled_) return;
        const int width = 30;
        const int filled = static_cast<int>(done_ * width / total_);
        err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(width - filled), ' ') << "] " << std::setw(3)
             << done_ * 100 / total_ << "% " << std::left << std::setw(24) << name.substr(0, 24) << std::right
             << std::flush;
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
    if (auto found = FindInFolder(options.sources, kProgramName)) return *found;
    error = "no SETUP.EXE in " + Shown(options.sources) + "; give --setup-exe";
    return {};
}

std::string Ratio(std::uint64_t after, std::uint64_t before)
{
    if (before == 0) return "-";
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << 100.0 * static_cast<double>(after) / static_cast<double>(before)
         << "%";
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
    if (unit == "K")
        value <<= 10;
    else if (unit == "M")
        value <<= 20;
    else if (unit == "G")
        value <<= 30;
    else if (!unit.empty())
        return std::nullopt;
    return value ? std::optional<std::uint64_t>(value) : std::nullopt;
}

namespace {

// One pack, step by step; each step that fails leaves the reason in failure_ and
// nothing written under the output's name.
class Packer {
public:
    Packer(const PackOptions& options, std::ostream& out, std::ostream& err) : options_(options), out_(out), err_(err)
    {
    }

    int Run()
    {
        if (!CheckOptions() || !ReadInputs() || !FindSources() || !LayFirstDisk() || !PackEntries() ||
            !WriteStaging() || !CheckStaged() || !(SingleFile() ? WriteSingleFile() : Publish()))
            return Fail();
        PrintSummary();
        if (!options_.zip.empty() && !WriteZip()) return Fail();
        for (const std::string& w : warnings_) out_ << "warning: " << ShiftJisToTerminal(w) << "\n";
        if (checked_ == kExitWarnings) out_ << checkText_;
        return warnings_.empty() && checked_ == kExitClean ? kExitClean : kExitWarnings;
    }

private:
    struct Entry {
        std::string key;
        CopyEntryParts parts;
        fs::path source;
    };

    int Fail()
    {
        err_ << "lorvel pack: " << failure_ << "\n";
        return kExitError;
    }
    bool Failed(std::string message)
    {
        failure_ = std::move(message);
        return false;
    }
    bool Disks() const { return options_.diskSize > 0; }
    bool SingleFile() const { return !options_.singleFile.empty(); }
    const fs::path& Output() const { return SingleFile() ? options_.singleFile : options_.output; }

    bool CheckOptions()
    {
        std::error_code ec;
        if (SingleFile() == !options_.output.empty())
            return Failed("give the output folder or --single-file, one of them");
        // One file carries one medium: there are no disks to change.
        if (SingleFile() && options_.diskSize != 0)
            return Failed("--disk-size lays out disks; a single file carries the medium whole: leave out one of them");
        if (SingleFile() && !options_.zip.empty())
            return Failed("--zip packs a medium folder; leave it out with --single-file");
        if (options_.sign && !SingleFile()) return Failed("--sign signs a single file: give --single-file");
        if (options_.sign) {
            if (const std::string problem = SignOptionsProblem(options_.signing); !problem.empty())
                return Failed(problem);
        }
        if (fs::exists(Output(), ec) && !options_.force)
            return Failed(Shown(Output()) + " exists; use --force to replace it");
        if (!fs::is_directory(options_.sources, ec)) return Failed(Shown(options_.sources) + ": no such folder");
        // An unattended run does not wait for a disk: a zip is of a one-folder medium.
        if (!options_.zip.empty() && options_.diskSize != 0)
            return Failed("--zip packs a medium of one folder; leave out --disk-size");
        if (!options_.zip.empty() && fs::exists(options_.zip, ec) && !options_.force)
            return Failed(Shown(options_.zip) + " exists; use --force to replace it");
        return true;
    }

    bool ReadInputs()
    {
        std::string error;
        const auto raw = ReadHostFile(options_.script, error, kMaxScriptBytes);
        if (!raw) return Failed(error);
        auto script = ScriptForMedium(*raw, error);
        if (!script) return Failed(Shown(options_.script) + ": " + error);
        script_ = std::move(*script);
        const fs::path setupExePath = FindSetupExe(options_, error);
        if (setupExePath.empty()) return Failed(error);
        auto setupExe = ReadHostFile(setupExePath, error);
        if (!setupExe) return Failed(error);
        setupExe_ = std::move(*setupExe);
        document_ = ProfileDocument::Parse(script_);
        return true;
    }

    // Every entry's source among the sources; all that are missing are told at once.
    bool FindSources()
    {
        std::error_code ec;
        std::vector<std::string> missing;
        const script::Key copyFile = script::Key::CopyFile;
        const NumberedValues values([&](int n) {
            return document_.Read(script::SectionOf(copyFile), script::NameOf(copyFile, n)).value_or("");
        });
        for (const auto& [n, value] : values) {
            const std::string key = script::NameOf(copyFile, n);
            Entry entry{key, SplitOnTypicalMachine(value), {}};
            if (auto found = FindInFolder(options_.sources, ShiftJisToHostName(entry.parts.sourceName));
                found && fs::is_regular_file(*found, ec)) {
                entry.source = *found;
                totalBytes_ += fs::file_size(*found, ec);
            } else {
                missing.push_back(key + ": " + entry.parts.sourceName);
            }
            entries_.push_back(std::move(entry));
        }
        if (missing.empty()) return true;
        for (const std::string& m : missing)
            err_ << "lorvel pack: not in " << Shown(options_.sources) << ": " << ShiftJisToTerminal(m) << "\n";
        return Failed(std::to_string(missing.size()) + " source file" + (missing.size() == 1 ? "" : "s") +
                      " missing; nothing written");
    }

    // The first disk holds SETUP.EXE, the script and the readme, which is read from
    // there as it is, so it is never compressed.
    bool LayFirstDisk()
    {
        readme_ = document_.Read(script::SectionOf(script::Key::ReadmeFile), script::NameOf(script::Key::ReadmeFile))
                      .value_or("");
        if (!readme_.empty() && readme_[0] == '\\') readme_.erase(0, 1);
        medium_.resize(1);
        // The script grows by "(Dch)" where disks change: reserve the most it can grow by.
        scriptReserve_ = OnDisk(script_.size() + 5 * entries_.size());
        medium_[0].used = OnDisk(setupExe_.size()) + scriptReserve_;
        medium_[0].names = {kProgramName, kScriptName};
        if (!readme_.empty()) {
            if (const auto found = FindInFolder(options_.sources, ShiftJisToHostName(readme_))) {
                std::string error;
                auto bytes = ReadHostFile(*found, error);
                if (!bytes) return Failed(error);
                medium_[0].used += OnDisk(bytes->size());
                medium_[0].names.insert(Fold(readme_));
                const std::uint64_t size = bytes->size();
                medium_[0].files.push_back(MediumFile{readme_, std::move(*bytes), size});
            }
        }
        if (Disks() && medium_[0].used > options_.diskSize)
            return Failed(std::string(kProgramName) + ", the script and the readme need " +
                          std::to_string(medium_[0].used) + " bytes, more than a disk of " +
                          std::to_string(options_.diskSize));
        return true;
    }

    bool PackEntries()
    {
        std::size_t droppedMarks = 0;
        Progress progress(err_, options_.progress, totalBytes_);
        std::map<std::string, std::pair<std::string, std::string>> packedOnce;  // folded source -> (medium name, bytes)
        for (Entry& entry : entries_) {
            std::string error;
            auto source = ReadHostFile(entry.source, error);
            if (!source) return Failed(error);
            // Names as the script gives them, in Shift-JIS; the host spells them its own way.
            const std::string name = entry.parts.sourceName;
            std::string mediumName = name;
            // Only a target that ends in the file's name can be given the compressed name.
            const std::string& target = entry.parts.target;
            const bool renamable =
                target.size() >= name.size() && Fold(target.substr(target.size() - name.size())) == Fold(name);
            std::string bytes = *source;
            const bool isReadme = !readme_.empty() && Fold(name) == Fold(readme_);
            const bool alreadyCompressed = EndsWithUnderscore(name);
            const auto naming = CompressedName(name);
            if (const auto cached = packedOnce.find(Fold(name)); cached != packedOnce.end()) {
                mediumName = cached->second.first;
                bytes = cached->second.second;
            } else if (options_.compress != CompressMode::None && !isReadme && !alreadyCompressed && naming &&
                       renamable) {
                std::string compressed = CompressSzdd(*source, naming->lastCharacter);
                if (options_.compress == CompressMode::All || compressed.size() < source->size()) {
                    mediumName = naming->name;
                    bytes = std::move(compressed);
                }
            } else if (options_.compress == CompressMode::All && !isReadme && !alreadyCompressed && !naming) {
                warnings_.push_back(entry.parts.sourceName +
                                    " is stored as it is: a compressed name could not give its name back");
            }
            packedOnce.emplace(Fold(name), std::make_pair(mediumName, bytes));
            progress.Advance(source->size(), name);

            // A disk change the author wrote starts a new disk; one folder needs none.
            if (entry.parts.diskChange && !Disks()) {
                entry.parts.diskChange = false;
                ++droppedMarks;
            } else if (entry.parts.diskChange) {
                medium_.emplace_back();
            }
            if (Fold(mediumName) != Fold(name) && medium_.back().names.count(Fold(mediumName)) &&
                !medium_.back().names.count(Fold(name))) {
                // Another file already has this compressed name on the disk.
                mediumName = name;
                bytes = *source;
            }
            if (!medium_.back().names.count(Fold(mediumName)) &&
                !Place(entry, mediumName, std::move(bytes), source->size()))
                return false;
            // The entry names the compressed file; the target's own name gives way to it.
            if (Fold(mediumName) != Fold(name))
                entry.parts.target = target.substr(0, target.size() - name.size()) + mediumName;
            document_.Write(script::SectionOf(script::Key::CopyFile), entry.key, JoinCopyEntry(entry.parts));
        }
        progress.Finish();
        if (droppedMarks)
            warnings_.push_back(std::to_string(droppedMarks) + " \"(Dch)\" mark" + (droppedMarks == 1 ? "" : "s") +
                                " dropped: a one-folder medium has no disks to change");
        return true;
    }

    // The file onto the last disk, or onto a new one (a disk change for its entry)
    // when it does not fit there.
    bool Place(Entry& entry, const std::string& mediumName, std::string bytes, std::uint64_t original)
    {
        const std::uint64_t need = OnDisk(bytes.size());
        if (Disks() && need > options_.diskSize)
            return Failed(entry.parts.sourceName + " needs " + std::to_string(need) +
                          " bytes on a disk, more than the disk size of " + std::to_string(options_.diskSize));
        if (Disks() && medium_.back().used + need > options_.diskSize) {
            medium_.emplace_back();
            entry.parts.diskChange = true;
        }
        if (Disks() && !FitsEightThree(mediumName))
            warnings_.push_back(mediumName + " does not fit in 8.3, which a disk's file system may need");
        medium_.back().used += need;
        medium_.back().names.insert(Fold(mediumName));
        medium_.back().files.push_back(MediumFile{mediumName, std::move(bytes), original});
        return true;
    }

    // Everything goes into a folder beside the output, which takes the output's name
    // only when it is complete and checked.
    bool WriteStaging()
    {
        std::error_code ec;
        std::random_device random;
        output_ = fs::absolute(Output(), ec);
        staging_.path =
            output_.parent_path() / ("." + output_.filename().string() + ".lorvel-" + std::to_string(random()));
        finalScript_ = document_.Serialize();
        std::string error;
        for (std::size_t d = 0; d < medium_.size(); ++d) {
            const fs::path folder =
                Disks() ? staging_.path / (kDiskFolderPrefix + std::to_string(d + 1)) : staging_.path;
            fs::create_directories(folder, ec);
            if (ec) return Failed(Shown(folder) + ": " + ec.message());
            if (d == 0) {
                if (!WriteHostFileAtomic(folder / kProgramName, setupExe_, error) ||
                    !WriteHostFileAtomic(folder / kScriptName, finalScript_, error))
                    return Failed(error);
            }
            for (const MediumFile& file : medium_[d].files)
                if (!WriteHostFileAtomic(folder / ShiftJisToHostName(file.name), file.bytes, error))
                    return Failed(error);
        }
        return true;
    }

    bool CheckStaged()
    {
        std::ostringstream checkOut;
        std::ostringstream checkErr;
        checked_ = RunCheck({staging_.path, false}, checkOut, checkErr);
        // The check names the staging folder; the author knows the medium by its own name.
        checkText_ = checkOut.str();
        const std::string stagingShown = Shown(staging_.path);
        for (std::size_t at; (at = checkText_.find(stagingShown)) != std::string::npos;)
            checkText_.replace(at, stagingShown.size(), Shown(output_));
        if (checked_ != kExitError) return true;
        out_ << checkText_ << checkErr.str();
        return Failed("the packed medium does not pass the check; nothing written");
    }

    // The checked medium takes the output's name.
    bool Publish()
    {
        std::error_code ec;
        if (fs::exists(output_, ec)) fs::remove_all(output_, ec);
        if (ec) return Failed(Shown(options_.output) + ": cannot be replaced: " + ec.message());
        fs::rename(staging_.path, output_, ec);
        if (ec) return Failed(Shown(options_.output) + ": " + ec.message());
        staging_.path.clear();
        return true;
    }

    // The checked medium, carried by its own SETUP.EXE as one file, signed when asked.
    bool WriteSingleFile()
    {
        std::vector<CarriedFile> files = {{kProgramName, setupExe_}, {kScriptName, finalScript_}};
        for (const MediumFile& file : medium_[0].files) files.push_back({file.name, file.bytes});
        std::string error;
        const std::string single = BuildSingleFile(setupExe_, files, error);
        if (single.empty()) return Failed(error);
        if (!WriteHostFileAtomic(output_, single, error)) return Failed(error);
        if (options_.sign && !SignFile(output_, options_.signing, error)) {
            std::error_code ec;
            fs::remove(output_, ec);
            return Failed(error + "; nothing written");
        }
        return true;
    }

    void PrintSummary()
    {
        std::uint64_t before = 0;
        std::uint64_t after = 0;
        std::size_t files = 0;
        for (const Disk& disk : medium_) {
            for (const MediumFile& file : disk.files) {
                before += file.original;
                after += file.bytes.size();
                ++files;
            }
        }
        if (SingleFile()) {
            std::error_code ec;
            out_ << "packed " << Shown(Output()) << ": one file of " << fs::file_size(output_, ec) << " bytes"
                 << (options_.sign ? ", signed" : "") << ", carrying " << files + 2 << " files\n";
        }
        out_ << (SingleFile() ? "medium " : "packed ") << Shown(Output()) << ": " << entries_.size() << " entries, "
             << files << " files, " << before << " -> " << after << " bytes (" << Ratio(after, before) << "), "
             << medium_.size() << (medium_.size() == 1 ? " disk" : " disks") << "\n";
        for (std::size_t d = 0; d < medium_.size(); ++d) {
            out_ << "  " << (Disks() ? kDiskFolderPrefix + std::to_string(d + 1) : std::string(".")) << ": ";
            if (d == 0) out_ << kProgramName << " " << kScriptName << " ";
            for (const MediumFile& file : medium_[d].files) out_ << ShiftJisToTerminal(file.name) << " ";
            out_ << "(" << medium_[d].used - (d == 0 ? scriptReserve_ - OnDisk(finalScript_.size()) : 0) << " bytes";
            if (Disks()) out_ << " of " << options_.diskSize;
            out_ << ")\n";
        }
    }

    // The medium's own files at the top of the archive, SETUP.EXE among them, as a
    // package manager unpacks it and starts the nested installer.
    bool WriteZip()
    {
        std::error_code ec;
        std::vector<ZipEntry> zipEntries;
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(output_, ec))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            const auto name = file.filename().u8string();
            zipEntries.push_back({std::string(name.begin(), name.end()), file});
        }
        std::string zipError;
        if (!WriteStoredZip(options_.zip, zipEntries, zipError)) return Failed(zipError);
        out_ << "zipped " << Shown(options_.zip) << ": " << zipEntries.size() << " files\n";
        return true;
    }

    // The staging folder goes unless it became the output.
    struct Staging {
        fs::path path;
        ~Staging()
        {
            std::error_code ignored;
            if (!path.empty()) fs::remove_all(path, ignored);
        }
    };

    const PackOptions& options_;
    std::ostream& out_;
    std::ostream& err_;
    std::string failure_;
    std::string script_;
    std::string setupExe_;
    ProfileDocument document_;
    std::vector<Entry> entries_;
    std::uint64_t totalBytes_ = 0;
    std::string readme_;
    std::vector<Disk> medium_;
    std::uint64_t scriptReserve_ = 0;
    std::vector<std::string> warnings_;
    fs::path output_;
    Staging staging_;
    std::string finalScript_;
    int checked_ = kExitClean;
    std::string checkText_;
};

}  // namespace

int RunPack(const PackOptions& options, std::ostream& out, std::ostream& err)
{
    return Packer(options, out, err).Run();
}

}  // namespace lorvel::tool
