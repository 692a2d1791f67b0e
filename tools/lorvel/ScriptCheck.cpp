#include "ScriptCheck.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>

#include "app/ScriptKeys.h"
#include "run/AnswersFile.h"
#include "run/RegistryKeys.h"
#include "uninstall/ProtectedFolders.h"
#include "uninstall/UninstallGuard.h"
#include "util/FolderMacros.h"
#include "util/NumberedValues.h"
#include "util/ProfileDocument.h"
#include "util/RegistryTokens.h"
#include "util/ScriptNumbers.h"
#include "util/ScriptVocabulary.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"
#include "util/ShortcutBoxes.h"

namespace lorvel::tool {

namespace {

// ---- the script's lines, as the profile rules see them ----------------------------

struct KeyLine {
    std::string name;  // as written
    int line = 0;
    bool hasValue = false;
};

struct SectionLines {
    std::string name;  // as written
    int line = 0;      // of its header; 0 for the lines above the first header
    std::vector<KeyLine> keys;
};

std::vector<SectionLines> ScanSections(const ProfileDocument& document)
{
    std::vector<SectionLines> sections(1);
    const std::vector<ProfileLine> lines = document.ReadLines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ProfileLine& line = lines[i];
        const int number = static_cast<int>(i) + 1;
        if (line.kind == ProfileLine::Kind::Header) {
            sections.push_back(SectionLines{line.name, number, {}});
            continue;
        }
        // The program has no use for a key whose name starts with ";", so such a
        // line is a comment in all but name.
        if (line.kind == ProfileLine::Kind::Blank || line.name[0] == ';') continue;
        sections.back().keys.push_back(KeyLine{line.name, number, line.hasValue});
    }
    return sections;
}

// ---- what the program reads ----------------------------------------------------------

struct SectionSpec {
    const char* name;
    std::vector<script::KeySpec> keys;
    const char* driver;  // the numbered key whose first missing or empty value ends the section
};

// The program's own vocabulary, grouped by section in the order of its table.
const std::vector<SectionSpec>& Sections()
{
    static const std::vector<SectionSpec> specs = [] {
        std::vector<SectionSpec> grouped;
        for (const script::KeySpec& key : script::kKeys) {
            auto section = std::find_if(grouped.begin(), grouped.end(),
                                        [&](const SectionSpec& s) { return std::string(s.name) == key.section; });
            if (section == grouped.end())
                section = grouped.insert(grouped.end(), SectionSpec{key.section, {}, nullptr});
            section->keys.push_back(key);
            if (key.drives) section->driver = key.name;
        }
        return grouped;
    }();
    return specs;
}

const SectionSpec* FindSection(const std::string& name)
{
    for (const SectionSpec& spec : Sections())
        if (FoldProfileName(spec.name) == FoldProfileName(name)) return &spec;
    return nullptr;
}

// "File12" => 12 for the prefix "File"; 0 when the name is not that prefix and a
// number from 1 written without leading zeros.
int KeyNumber(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || FoldProfileName(name.substr(0, prefix.size())) != FoldProfileName(prefix))
        return 0;
    const std::string digits = name.substr(prefix.size());
    if (digits[0] == '0' || digits.size() > 9) return 0;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return 0;
    return std::stoi(digits);
}

}  // namespace

SetupContext TypicalMachine()
{
    SetupContext context;
    context.windowsFolder = "C:\\WINDOWS\\";
    context.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
    context.tempFolder = "C:\\WINDOWS\\TEMP\\";
    context.programFilesFolder = "C:\\Program Files\\";
    context.bootDrive = "C:\\";
    context.sourceDrive = "A:\\";
    context.setupFolder = "C:\\Program Files\\App\\";
    context.setupDrive = "C:\\";
    const std::string user = "C:\\Users\\user\\";
    context.startMenuFolder = user + "Start Menu\\";
    context.programsFolder = user + "Start Menu\\Programs\\";
    context.desktopFolder = user + "Desktop\\";
    context.startupFolder = user + "Start Menu\\Programs\\Startup\\";
    context.sendToFolder = user + "SendTo\\";
    context.commonStartMenuFolder = "C:\\ProgramData\\Start Menu\\";
    context.commonProgramsFolder = "C:\\ProgramData\\Start Menu\\Programs\\";
    context.commonDesktopFolder = "C:\\Users\\Public\\Desktop\\";
    context.commonStartupFolder = "C:\\ProgramData\\Start Menu\\Programs\\Startup\\";
    return context;
}

CopyEntryParts SplitOnTypicalMachine(const std::string& value)
{
    return lorvel::SplitCopyEntry(value, FolderTableOf(TypicalMachine()));
}

namespace {

// A typical machine with the setup folder this script proposes on it, as (App) expands.
SetupContext TypicalMachineFor(const ProfileDocument& script)
{
    SetupContext context = TypicalMachine();
    const script::Key folder = script::Key::DefaultFolder;
    context.setupFolder =
        AsSetupFolder(script.Read(script::SectionOf(folder), script::NameOf(folder)).value_or(kDefaultSetupFolder),
                      FolderTableOf(context));
    return context;
}

RecordTrust VouchedRecord()
{
    RecordTrust trust;
    trust.state = RecordTrust::State::Vouched;
    return trust;
}

// ---- the checker ---------------------------------------------------------------------

class Checker {
public:
    Checker(const std::string& bytes, const MediumLookup& medium)
        : document_(ProfileDocument::Parse(bytes)), sections_(ScanSections(document_)), medium_(medium),
          machine_(TypicalMachineFor(document_)), guard_(machine_, machine_.bootDrive, VouchedRecord())
    {
        for (std::size_t i = 1; i < sections_.size(); ++i) firstSection_.emplace(FoldProfileName(sections_[i].name), i);
    }

    std::vector<Diagnostic> Run()
    {
        Structure();
        Numbering();
        CopyFiles();
        Macros();
        Registry();
        IniFiles();
        Relate();
        Shortcuts();
        AddDeleteFiles();
        Readme();
        std::stable_sort(found_.begin(), found_.end(),
                         [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
        return std::move(found_);
    }

private:
    void Report(int line, Severity severity, std::string rule, std::string message)
    {
        found_.push_back(Diagnostic{line, 1, severity, std::move(message), std::move(rule)});
    }
    void Warn(int line, std::string rule, std::string message)
    {
        Report(line, Severity::Warning, std::move(rule), std::move(message));
    }

    std::optional<std::string> Read(const std::string& section, const std::string& key) const
    {
        return document_.Read(section, key);
    }
    // As the runs read: a missing key is the empty text.
    std::string Value(const std::string& section, const std::string& key) const
    {
        return Read(section, key).value_or("");
    }

    std::string Value(script::Key key) const { return Value(script::SectionOf(key), script::NameOf(key)); }
    std::string Value(script::Key key, int n) const { return Value(script::SectionOf(key), script::NameOf(key, n)); }
    int LineOf(script::Key key) const { return LineOf(script::SectionOf(key), script::NameOf(key)); }
    int LineOf(script::Key key, int n) const { return LineOf(script::SectionOf(key), script::NameOf(key, n)); }

    // The line of the key the program reads, or of the section when it has no such key.
    int LineOf(const std::string& section, const std::string& key) const
    {
        const auto found = firstSection_.find(FoldProfileName(section));
        if (found == firstSection_.end()) return 0;
        const SectionLines& lines = sections_[found->second];
        for (const KeyLine& k : lines.keys)
            if (FoldProfileName(k.name) == FoldProfileName(key)) return k.line;
        return lines.line;
    }
    const SectionLines* SectionRead(const std::string& section) const
    {
        const auto found = firstSection_.find(FoldProfileName(section));
        return found == firstSection_.end() ? nullptr : &sections_[found->second];
    }

    void Structure()
    {
        for (const KeyLine& key : sections_[0].keys)
            Warn(key.line, "key-outside-section",
                 "'" + key.name + "' stands before the first section; the program never reads it");
        std::map<std::string, int> seen;
        for (std::size_t i = 1; i < sections_.size(); ++i) {
            const SectionLines& section = sections_[i];
            const auto [first, fresh] = seen.emplace(FoldProfileName(section.name), section.line);
            if (!fresh) {
                Warn(section.line, "duplicate-section",
                     "section [" + section.name + "] appears again; the program reads only the one on line " +
                         std::to_string(first->second) + ", so nothing here is read");
                continue;
            }
            const SectionSpec* spec = FindSection(section.name);
            if (!spec) {
                std::vector<std::string> names;
                for (const SectionSpec& s : Sections()) names.push_back(s.name);
                const std::string nearest = NearestName(section.name, names);
                Warn(section.line, "unknown-section",
                     "unknown section [" + section.name + "]" +
                         (nearest.empty() ? std::string(", never read") : "; did you mean [" + nearest + "]?"));
            }
            std::map<std::string, int> keys;
            for (const KeyLine& key : section.keys) {
                const auto [earlier, freshKey] = keys.emplace(FoldProfileName(key.name), key.line);
                if (!freshKey) {
                    Warn(key.line, "duplicate-key",
                         "key " + key.name + " appears again in [" + section.name +
                             "]; the program reads the one on line " + std::to_string(earlier->second));
                    continue;
                }
                if (spec) KnownKey(*spec, section.name, key);
            }
        }
    }

    void KnownKey(const SectionSpec& spec, const std::string& section, const KeyLine& key)
    {
        std::vector<std::string> candidates;
        for (const script::KeySpec& k : spec.keys) {
            if (!k.numbered) {
                if (FoldProfileName(key.name) == FoldProfileName(k.name)) return;
                candidates.push_back(k.name);
                continue;
            }
            const int n = KeyNumber(key.name, k.name);
            if (n > 0 && (k.highest == 0 || n <= k.highest)) return;
            if (n > k.highest && k.highest > 0) {
                Warn(key.line,
                     spec.name == std::string(script::SectionOf(script::Key::RelateName)) ? "relate-number"
                                                                                          : "unknown-key",
                     "[" + section + "] reads only " + k.name + "1 to " + k.name + std::to_string(k.highest) + "; " +
                         key.name + " is never read");
                return;
            }
            // The nearest numbered name carries the number the author wrote.
            std::string digits;
            for (char c : key.name)
                if (c >= '0' && c <= '9') digits.push_back(c);
            while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
            candidates.push_back(std::string(k.name) + (digits.empty() || digits == "0" ? "1" : digits));
        }
        const std::string nearest = NearestName(key.name, candidates);
        Warn(key.line, "unknown-key",
             "unknown key " + key.name + " in [" + section + "]" +
                 (nearest.empty() ? std::string(", never read") : "; did you mean " + nearest + "?"));
    }

    // Numbered sections end at the first missing or empty driver key.
    void Numbering()
    {
        for (const SectionSpec& spec : Sections()) {
            if (!spec.driver) continue;
            const SectionLines* lines = SectionRead(spec.name);
            if (!lines) continue;
            int stop = 1;
            while (!Value(spec.name, spec.driver + std::to_string(stop)).empty()) ++stop;
            std::vector<std::string> unread;
            int firstLine = 0;
            std::set<std::string> named;
            for (const KeyLine& key : lines->keys) {
                for (const script::KeySpec& k : spec.keys) {
                    const int n = KeyNumber(key.name, k.name);
                    const bool driverItself = n == stop && FoldProfileName(k.name) == FoldProfileName(spec.driver);
                    if (n < stop || driverItself || !named.insert(FoldProfileName(key.name)).second) continue;
                    unread.push_back(key.name);
                    if (!firstLine) firstLine = key.line;
                }
            }
            if (unread.empty()) continue;
            const std::string stopKey = spec.driver + std::to_string(stop);
            const bool present = Read(spec.name, stopKey).has_value();
            std::string list;
            for (std::size_t i = 0; i < unread.size() && i < 8; ++i) list += (i ? ", " : "") + unread[i];
            if (unread.size() > 8) list += " and " + std::to_string(unread.size() - 8) + " more";
            Warn(present ? LineOf(spec.name, stopKey) : firstLine, "numbering-gap",
                 stopKey + " is " + (present ? "empty" : "missing") + ", so the program stops reading [" + spec.name +
                     "] there: " + list + (unread.size() == 1 ? " is" : " are") + " never read");
        }
    }

    // A numbered section as the program reads it: up to the first missing or empty key.
    template <typename Each>
    void ForEachEntry(script::Key key, Each each) const
    {
        for (const auto& [n, value] : NumberedValues([&](int number) { return Value(key, number); }))
            each(n, script::NameOf(key, n), value, LineOf(key, n));
    }

    void CopyFiles()
    {
        int disk = 1;
        ForEachEntry(script::Key::CopyFile, [&](int, const std::string& key, const std::string& value, int line) {
            const CopyEntryParts parts = SplitOnTypicalMachine(value);
            if (parts.diskChange) ++disk;
            const std::string rest = parts.target + parts.newName + parts.flags;
            const int dch = MBPosText("(Dch)", rest);
            if (dch > 0)
                Warn(line, "disk-change",
                     key + ": '" + rest.substr(static_cast<std::size_t>(dch - 1), 5) + "' is " +
                         (rest.compare(static_cast<std::size_t>(dch - 1), 5, "(Dch)") == 0 ? "not at the start"
                                                                                           : "not written \"(Dch)\"") +
                         ", so no disk change is asked for here");
            if (const std::string& flags = parts.flags; !flags.empty()) {
                const std::string seen = flags.substr(0, 5);
                for (const char* flag :
                     {copy_flag::kShared, copy_flag::kConfirm, copy_flag::kLeave, copy_flag::kForce}) {
                    if (MBPosText(flag, flags) > 0 && MBPosText(flag, seen) == 0)
                        Warn(line, "copy-flags",
                             key + ": the uninstaller reads only '" + seen + "' of the flags '" + flags + "', so " +
                                 flag + " is not seen there" +
                                 (flag == copy_flag::kShared
                                      ? " (the install raises the shared count, the uninstall never lowers it)"
                                      : ""));
                }
            }
            const std::string& name = parts.sourceName;
            if (medium_ && !name.empty() && !medium_(disk, name))
                Report(line, Severity::Error, "missing-source",
                       key + ": " + name + " is not on " +
                           (disk == 1 ? std::string("the medium") : "disk " + std::to_string(disk)) +
                           (disk == 1 ? "" : " (after the disk changes before it)"));
        });
    }

    // Tokens written like a folder macro that none of the seventeen matches.
    void Macros()
    {
        static const std::set<std::string> other = {"(DCH)", "(PDD)",   "(STR)",   "(EXP)",   "(INT)",  "(DWD)",
                                                    "(BIN)", "(CUSER)", "(CLASS)", "(LOCAL)", "(USERS)"};
        auto scan = [&](const std::string& section, const std::string& key, const std::string& value, int line) {
            for (std::size_t open = value.find('('); open != std::string::npos; open = value.find('(', open + 1)) {
                if (MBByteType(value, static_cast<int>(open) + 1) != ByteType::Single) continue;
                std::size_t close = open + 1;
                while (close < value.size() && close - open <= 8 &&
                       ((value[close] >= 'A' && value[close] <= 'Z') || (value[close] >= 'a' && value[close] <= 'z') ||
                        value[close] == '_'))
                    ++close;
                if (close >= value.size() || value[close] != ')' || close - open < 4) continue;
                const std::string token = value.substr(open, close - open + 1);
                const std::string folded = UpperCase(token);
                if (other.count(folded)) continue;
                bool known = false;
                for (const char* macro : kFolderMacros) known = known || UpperCase(macro) == folded;
                if (!known)
                    Warn(line, "unknown-macro",
                         "[" + section + "] " + key + ": " + token +
                             " is not a folder macro and stays in the path as written");
            }
        };
        auto each = [&](script::Key numbered) {
            ForEachEntry(numbered, [&](int, const std::string& key, const std::string& value, int line) {
                scan(script::SectionOf(numbered), key, value, line);
            });
        };
        each(script::Key::CopyFile);
        each(script::Key::MakeFolder);
        each(script::Key::ShortCutMake);
        each(script::Key::IniFileData);
        each(script::Key::AddDeleteFile);
        auto numbered = [&](script::Key key, int n) {
            if (const std::string v = Value(key, n); !v.empty())
                scan(script::SectionOf(key), script::NameOf(key, n), v, LineOf(key, n));
        };
        for (int n = 1; n <= script::kRelateSlots; ++n) numbered(script::Key::RelateFile, n);
        ForEachEntry(script::Key::ShortCutMake, [&](int n, const std::string&, const std::string&, int) {
            numbered(script::Key::ShortCutName, n);
        });
        ForEachEntry(script::Key::RegistryKey, [&](int n, const std::string&, const std::string&, int) {
            numbered(script::Key::RegistryValue, n);
        });
        for (const script::Key key :
             {script::Key::DefaultFolder, script::Key::DefaultFolderReferIniFile, script::Key::ExecuteFile})
            if (const std::string v = Value(key); !v.empty())
                scan(script::SectionOf(key), script::NameOf(key), v, LineOf(key));
    }

    void RootToken(const std::string& section, const std::string& key, const std::string& text, int line)
    {
        const bool looksLikeToken = (!text.empty() && text[0] == '(') || (text.size() >= 7 && text[6] == ')');
        if (!looksLikeToken) return;
        const std::string token = text.substr(0, 7);
        for (const char* root : {"(Cuser)", "(Class)", "(Local)", "(Users)"})
            if (token == root) return;
        Warn(line, "registry-root",
             "[" + section + "] " + key + ": '" + token +
                 "' is not one of (Cuser), (Class), (Local), (Users), so the key goes under HKEY_CURRENT_USER");
    }

    void Registry()
    {
        static const std::array<const char*, 5> types = {"(Str)", "(Exp)", "(Int)", "(Dwd)", "(Bin)"};
        ForEachEntry(script::Key::RegistryKey, [&](int n, const std::string& key, const std::string& value, int line) {
            RootToken(script::SectionOf(script::Key::RegistryKey), key, value, line);
            const std::string valueKey = script::NameOf(script::Key::RegistryValue, n);
            const int valueLine = LineOf(script::Key::RegistryValue, n);
            const std::string data = ReplaceMacro(Value(script::Key::RegistryValue, n), "(Pdd)", "");
            if (data.size() < 5) return;
            const std::string token = data.substr(0, 5);
            for (const char* type : types) {
                if (token == type) {
                    NumberValue(valueKey, token, data.substr(5), valueLine);
                    return;
                }
                if (UpperCase(token) == UpperCase(type))
                    Warn(valueLine, "type-token",
                         valueKey + ": '" + token + "' is not the type token " + type +
                             " (the case counts), so the whole value is written as a string");
            }
        });
        ForEachEntry(script::Key::DeleteRegistryKey,
                     [&](int, const std::string& key, const std::string& value, int line) {
                         RootToken(script::SectionOf(script::Key::DeleteRegistryKey), key, value, line);
                         const RegistryKeyText split = SplitKeyByRecordRule(value);
                         if (!guard_.MayDeleteKey(RootKeyFromToken(split.token), split.path))
                             Warn(line, "protected-delete",
                                  key + ": the uninstaller never deletes '" + value +
                                      "', a key the system or other programs live on, and reports it as not done");
                     });
        const script::Key refer = script::Key::DefaultFolderReferRegistry;
        if (const std::string value = Value(refer); !value.empty())
            RootToken(script::SectionOf(refer), script::NameOf(refer), value, LineOf(refer));
    }

    void NumberValue(const std::string& key, const std::string& token, const std::string& data, int line)
    {
        // Macros are expanded before the conversion; what they give is not known here.
        if (MBPos("(", data) > 0) return;
        if (token == "(Int)" || token == "(Dwd)") {
            if (!ConvertScriptInteger(data))
                Warn(line, "number-value",
                     key + ": '" + data +
                         "' is not a number (decimal, or \"$\" and hexadecimal digits), so 0 is written");
        } else if (token == "(Bin)") {
            if (!ConvertScriptInteger("$" + data))
                Warn(line, "number-value",
                     key + ": '" + data + "' is not one to eight hexadecimal digits, so nothing is written");
        }
    }

    void IniFiles()
    {
        ForEachEntry(script::Key::IniFileData, [&](int, const std::string& key, const std::string& value, int line) {
            int commas = 0;
            for (int at = MBPos(",", value); at > 0 && commas < 3; ++commas) {
                const int next = MBPos(",", value.substr(static_cast<std::size_t>(at)));
                at = next > 0 ? at + next : 0;
            }
            if (commas < 3)
                Warn(line, "inifile-fields",
                     key + ": 'section,key,value,file' needs three commas, this has " + std::to_string(commas) +
                         ", so the fields shift and the entry goes elsewhere");
        });
    }

    void Relate()
    {
        for (int n = 1; n <= script::kRelateSlots; ++n) {
            const std::string nameKey = script::NameOf(script::Key::RelateName, n);
            const std::string fileKey = script::NameOf(script::Key::RelateFile, n);
            const std::string name = Value(script::Key::RelateName, n);
            const std::string file = Value(script::Key::RelateFile, n);
            if (name.empty()) continue;
            const int comma = MBPos(",", name);
            const std::string extension = comma > 0 ? StrLeft(name, comma - 1) : name;
            if (guard_.CheckRestoreRelate(extension, "") != AssociationVerdict::Allowed)
                Warn(
                    LineOf(script::Key::RelateName, n), "protected-delete",
                    nameKey + ": '" + extension +
                        "' is an extension whose association the uninstaller never changes back (it decides what runs, "
                        "or it is no plain name), so the association stays after the uninstall");
            if (file.empty()) {
                Warn(LineOf(script::Key::RelateName, n), "relate-file",
                     nameKey + " has no " + fileKey + ", so the association is ignored");
                continue;
            }
            const int first = MBPos(",", file);
            const int second = first > 0 ? MBPos(",", file.substr(static_cast<std::size_t>(first))) : 0;
            if (second == 0)
                Warn(LineOf(script::Key::RelateFile, n), "relate-file",
                     fileKey + ": 'verb,program,[arguments,]icon' needs at least two commas, so the command " +
                         (first == 0 ? std::string("and the program are empty") : "is empty"));
        }
    }

    void Shortcuts()
    {
        std::array<bool, kShortcutBoxCount> ticked{};
        for (int n = 1;; ++n) {
            const std::string name = Value(script::Key::ShortCutName, n);
            if (name.empty()) break;
            const auto named = NamedBoxes(name);
            for (std::size_t b = 0; b < kShortcutBoxCount; ++b) ticked[b] = ticked[b] || named[b];
        }
        static const std::array<const char*, kShortcutBoxCount> boxNames = {"desktop", "Start menu", "Startup",
                                                                            "SendTo"};
        ForEachEntry(script::Key::ShortCutMake, [&](int n, const std::string& key, const std::string&, int line) {
            const std::string name =
                Read(script::SectionOf(script::Key::ShortCutName), script::NameOf(script::Key::ShortCutName, n))
                    .value_or(kDefaultShortcutName);
            const ShortcutBox box = GoverningBox(name);
            if (box == ShortcutBox::None || ticked[static_cast<std::size_t>(box)]) return;
            Warn(line, "shortcut-box",
                 key + ": this shortcut depends on the " + boxNames[static_cast<std::size_t>(box)] +
                     " box, which start-up never ticks (no Name before the first missing one names it), so it is never "
                     "created");
        });
    }

    void AddDeleteFiles()
    {
        const FolderTable folders = FolderTableOf(machine_);
        ForEachEntry(script::Key::AddDeleteFile, [&](int, const std::string& key, const std::string& value, int line) {
            const auto verdict = guard_.CheckDeletion(ExpandFolderMacros(value, folders));
            if (verdict == ProtectedFolders::Verdict::NotAbsolute)
                Warn(line, "protected-delete",
                     key + ": the uninstaller refuses '" + value +
                         "', which is no full path, and deletes nothing for it");
            else if (verdict != ProtectedFolders::Verdict::Allowed)
                Warn(line, "protected-delete",
                     key + ": the uninstaller refuses '" + value +
                         "' (a wildcard in, or the whole of, a folder it protects) and deletes nothing for it");
        });
    }

    void Readme()
    {
        std::string file = Value(script::Key::ReadmeFile);
        if (file.empty() || !medium_) return;
        if (file[0] == '\\') file.erase(0, 1);
        if (!medium_(1, file))
            Warn(LineOf(script::Key::ReadmeFile), "missing-readme",
                 file + " is not on the medium, so no readme page is shown");
    }

    ProfileDocument document_;
    std::vector<SectionLines> sections_;
    std::map<std::string, std::size_t> firstSection_;
    const MediumLookup& medium_;
    // What the uninstall will refuse, asked of its own guard as a genuine record (one
    // the install vouched for) meets it on a typical machine.
    const SetupContext machine_;
    const UninstallGuard guard_;
    std::vector<Diagnostic> found_;
};

int LineAndColumn(const std::string& bytes, std::size_t offset, int& column)
{
    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
            ++line;
            lineStart = i + 1;
        }
    }
    column = static_cast<int>(offset - lineStart) + 1;
    return line;
}

}  // namespace

std::size_t FirstInvalidShiftJis(const std::string& bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (!lead || i + 1 >= bytes.size()) return i;
        const auto t = static_cast<unsigned char>(bytes[i + 1]);
        if (t < 0x40 || t == 0x7F || t > 0xFC) return i;
        ++i;
    }
    return std::string::npos;
}

bool LooksLikeUtf8(const std::string& bytes)
{
    return IsUtf8Text(bytes);
}

std::string NearestName(const std::string& name, const std::vector<std::string>& candidates)
{
    const std::string a = FoldProfileName(name);
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(2, a.size() / 3) + 1;
    for (const std::string& candidate : candidates) {
        const std::string b = FoldProfileName(candidate);
        std::vector<std::size_t> row(b.size() + 1);
        for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
        for (std::size_t i = 1; i <= a.size(); ++i) {
            std::size_t diagonal = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= b.size(); ++j) {
                const std::size_t above = row[j];
                row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
                diagonal = above;
            }
        }
        if (row[b.size()] < bestDistance) {
            bestDistance = row[b.size()];
            best = candidate;
        }
    }
    return best;
}

std::vector<Diagnostic> CheckScript(const std::string& bytes, const MediumLookup& medium)
{
    std::vector<Diagnostic> found;
    auto error = [&](int line, int column, const std::string& message) {
        found.push_back(Diagnostic{line, column, Severity::Error, message, "encoding"});
    };
    if (bytes.size() > kMaxScriptBytes) {
        error(0, 1, "the script is " + std::to_string(bytes.size()) + " bytes, more than any script needs; not read");
        return found;
    }
    if (const auto nul = bytes.find('\0'); nul != std::string::npos) {
        int column = 1;
        const int line = LineAndColumn(bytes, nul, column);
        error(line, column, "the file holds NUL bytes: a binary file, not a setup script; not read");
        return found;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        error(1, 1,
              "the script is saved as UTF-8 with a byte order mark; the program reads Shift-JIS, and the mark hides "
              "the first line");
    else if (LooksLikeUtf8(bytes))
        error(
            1, 1,
            "the script is saved as UTF-8; the program reads it as Shift-JIS and its Japanese texts come out garbled");
    else if (const auto bad = FirstInvalidShiftJis(bytes); bad != std::string::npos) {
        int column = 1;
        const int line = LineAndColumn(bytes, bad, column);
        error(line, column, "this byte is not valid Shift-JIS");
    }
    std::vector<Diagnostic> rules = Checker(bytes, medium).Run();
    found.insert(found.end(), rules.begin(), rules.end());
    return found;
}

}  // namespace lorvel::tool
