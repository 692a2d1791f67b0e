#include "app/Startup.h"

#include <cstdio>
#include <set>
#include <vector>

#include "app/CommandLine.h"

#include "run/FixedNames.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

namespace {

std::string WithDelimiter(const std::string& folder)
{
    return AddPathDelim(folder, "B");
}

std::string DriveRoot(const std::string& folder)
{
    return StrLeft(folder, 2) + "\\";
}

}  // namespace

std::string FirstArgument(const std::string& commandLine)
{
    return SplitCommandLine(commandLine).FirstArgument();
}

RunMode RunModeFor(const std::string& firstArgument)
{
    return FileNamePart(firstArgument) == kRecordName ? RunMode::Unsetup : RunMode::Setup;
}

StartupFacts GatherStartupFacts(Platform& platform, FileOps& ops)
{
    StartupFacts facts;
    facts.commandLine = platform.system.GetProgramCommandLine();
    facts.version = platform.system.GetVersion();
    facts.programPath = platform.system.GetProgramPath();
    facts.tempPath = platform.system.GetTempFolder();
    facts.windowsFolder = platform.system.GetWindowsFolder();
    facts.systemFolder = platform.system.GetSystemFolder();
    facts.systemWow64Folder = platform.system.GetSystemWow64Folder();
    facts.otherProgramFilesFolder = platform.system.GetOtherProgramFilesFolder();

    const std::string versionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    platform.registry.CreateKey(RootKey::LocalMachine, versionKey);
    RegValue value;
    if (platform.registry.ReadValue(RootKey::LocalMachine, versionKey, "ProgramFilesDir", value) == 0 && value.IsText())
        facts.programFilesDir = value.data;
    const std::string programFiles = WithDelimiter(facts.programFilesDir);
    facts.programFilesExists = programFiles != "\\" && ops.FolderExists(programFiles);

    for (int id :
         {csidl::kStartMenu, csidl::kPrograms, csidl::kDesktopDirectory, csidl::kStartup, csidl::kSendTo,
          csidl::kCommonStartMenu, csidl::kCommonPrograms, csidl::kCommonDesktopDirectory, csidl::kCommonStartup})
        facts.specialFolders[id] = platform.shell.GetSpecialFolder(id);
    return facts;
}

StartupDecision DecideStartup(const StartupFacts& facts)
{
    StartupDecision decision;
    SetupContext& c = decision.context;
    decision.firstArgument = FirstArgument(facts.commandLine);
    c.platformId = facts.version ? static_cast<std::int32_t>(facts.version->platformId) : -1;
    c.sourceFolder = WithDelimiter(FolderPart(facts.programPath));
    c.tempFolder = facts.tempPath.empty() ? c.sourceFolder : WithDelimiter(facts.tempPath);
    c.windowsFolder = WithDelimiter(facts.windowsFolder);
    if (facts.windowsFolder.empty()) decision.fatalText += std::string(kFatalWindowsFolder) + "\r\n";
    c.systemFolder = WithDelimiter(facts.systemFolder);
    if (facts.systemFolder.empty()) decision.fatalText += std::string(kFatalSystemFolder) + "\r\n";
    c.systemWow64Folder = WithDelimiter(facts.systemWow64Folder);
    c.otherProgramFilesFolder = WithDelimiter(facts.otherProgramFilesFolder);
    c.setupFolder = "(App)";

    const std::string programFiles = WithDelimiter(facts.programFilesDir);
    c.programFilesFolder = facts.programFilesExists ? programFiles : StrLeft(c.windowsFolder, 2) + "\\Program Files\\";
    c.bootDrive = DriveRoot(c.windowsFolder);
    c.sourceDrive = DriveRoot(c.sourceFolder);

    auto special = [&](int id) {
        const auto found = facts.specialFolders.find(id);
        return WithDelimiter(found == facts.specialFolders.end() ? std::string() : found->second);
    };
    c.startMenuFolder = special(csidl::kStartMenu);
    c.programsFolder = special(csidl::kPrograms);
    c.desktopFolder = special(csidl::kDesktopDirectory);
    c.startupFolder = special(csidl::kStartup);
    c.sendToFolder = special(csidl::kSendTo);
    const bool nt = c.platformId == 2;
    c.commonStartMenuFolder = nt ? special(csidl::kCommonStartMenu) : c.startMenuFolder;
    c.commonProgramsFolder = nt ? special(csidl::kCommonPrograms) : c.programsFolder;
    c.commonDesktopFolder = nt ? special(csidl::kCommonDesktopDirectory) : c.desktopFolder;
    c.commonStartupFolder = nt ? special(csidl::kCommonStartup) : c.startupFolder;

    c.runMode = RunModeFor(decision.firstArgument);
    return decision;
}

namespace {

std::string WorkFolderName(const std::string& tempFolder, int n)
{
    return tempFolder + kWorkFolderPrefix + std::to_string(n) + "\\";
}

// A work folder's name after the numbered ones: KRTMP and 16 hexadecimal digits.
std::string UnforeseeableWorkFolderName(const std::string& tempFolder, System& system)
{
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llX", static_cast<unsigned long long>(system.GetUnforeseeableNumber()));
    return tempFolder + kWorkFolderPrefix + digits + "\\";
}

bool IsNumberedWorkFolder(const std::string& tempFolder, const std::string& folder)
{
    for (int n = 1; n <= kWorkFolderLimit; ++n)
        if (folder == WorkFolderName(tempFolder, n)) return true;
    return false;
}

}  // namespace

void PrepareWorkFolder(StartupDecision& decision, Platform& platform, FileOps& ops)
{
    const std::string& temp = decision.context.tempFolder;
    ErrorCode last = kErrorSuccess;
    auto tryCreate = [&](const std::string& candidate) {
        last = platform.files.CreatePrivateFolder(candidate);
        // The temporary folder itself may be missing; it is made as any folder is.
        if (last == kErrorPathNotFound && ops.CreateFolderTree(temp))
            last = platform.files.CreatePrivateFolder(candidate);
        if (last != kErrorSuccess) return false;
        decision.context.workFolder = candidate;
        return true;
    };
    for (int n = 1; n <= kWorkFolderLimit; ++n)
        if (tryCreate(WorkFolderName(temp, n))) return;
    // Whatever kept the numbered names (taken, or held in ways that refuse them).
    for (int attempt = 0; attempt < 4; ++attempt)
        if (tryCreate(UnforeseeableWorkFolderName(temp, platform.system))) return;
    decision.context.workFolder.clear();
    decision.fatalText += std::string(kFatalWorkFolder) + "\r\n" + WorkFolderName(temp, 1) + " ～ " +
                          WorkFolderName(temp, kWorkFolderLimit) + "\r\n" + ops.SystemErrorText(last);
}

void CopyStartupFiles(StartupDecision& decision, Platform& platform, FileOps& ops)
{
    SetupContext& c = decision.context;
    // Without a work folder of its own the run has nowhere to put the copies.
    if (c.workFolder.empty()) return;
    // Without the program's own folder "\\" would be the current drive's root, and
    // a script found there somebody else's.
    const bool sourceKnown = c.sourceFolder.size() > 1;
    // The running program itself, whatever its file is called: the file named
    // SETUP.EXE beside it may be another program, or none.
    const std::string program = decision.programFile.empty() ? platform.system.GetProgramPath() : decision.programFile;
    if (sourceKnown) ops.CopyFileOverwrite(program, c.workFolder + kProgramWorkCopyName);
    const std::string source = c.Uninstalling() ? decision.firstArgument : c.sourceFolder + kScriptName;
    c.scriptFile = c.workFolder + (c.Uninstalling() ? kRecordName : kScriptName);
    if (c.Uninstalling()) c.recordPath = decision.firstArgument;
    // Read once, within the bound: read whole at every lookup, a file of any size
    // would stall or exhaust the program, and a size asked first would not stop a
    // file that grows before it is read.
    std::string bytes;
    const ErrorCode read = sourceKnown || c.Uninstalling()
                               ? platform.files.ReadWholeFile(source, bytes, kMaxScriptBytes)
                               : kErrorFileNotFound;
    if (read == kErrorFileTooLarge) {
        decision.fatalText += std::string(kFatalScript) + "\r\n" + source + "\r\n" + kScriptTooLarge + "\r\n";
        return;
    }
    if (read == kErrorSuccess) platform.files.WriteWholeFile(c.scriptFile, bytes);
    if (!platform.files.FileExists(c.scriptFile)) decision.fatalText += std::string(kFatalScript) + "\r\n";
}

namespace {

// The numbers of the work folders the temporary folder holds, found by one listing:
// under Wine each lookup of a name a folder lacks reads the whole folder, and a
// user's temporary folder may hold thousands of entries. Where the folder cannot be
// listed, every number is tried.
std::vector<int> WorkFolderNumbersIn(const std::string& tempFolder, FileSystem& files)
{
    std::vector<int> numbers;
    std::vector<FindEntry> entries;
    const ErrorCode listed = files.FindEntries(tempFolder + kWorkFolderPrefix + "*", entries);
    if (listed != kErrorSuccess && listed != kErrorFileNotFound && listed != kErrorPathNotFound) {
        for (int n = 1; n <= kWorkFolderLimit; ++n) numbers.push_back(n);
        return numbers;
    }
    std::set<std::string> names;
    for (const FindEntry& entry : entries) names.insert(AsciiUpperCase(entry.name));
    for (int n = 1; n <= kWorkFolderLimit; ++n)
        if (names.count(kWorkFolderPrefix + std::to_string(n))) numbers.push_back(n);
    return numbers;
}

}  // namespace

void CleanUpAtProgramEnd(const std::string& tempFolder, const std::string& workFolder, Platform& platform, FileOps& ops)
{
    std::vector<std::string> folders;
    for (int n : WorkFolderNumbersIn(tempFolder, platform.files)) folders.push_back(WorkFolderName(tempFolder, n));
    // The run's own folder made new under a name nobody foresaw: nobody can have put
    // a link there.
    if (!workFolder.empty() && !IsNumberedWorkFolder(tempFolder, workFolder)) folders.push_back(workFolder);
    for (const std::string& folder : folders) {
        // Asked without the final "\\", which would make the system look through a link.
        const std::string entry = RemovePathDelim(folder, "B");
        std::uint32_t attributes = 0;
        if (platform.files.GetAttributes(entry, attributes) != kErrorSuccess) continue;
        // A link someone left under a work folder's name goes; what it names stays.
        if (attributes & attr::kReparsePoint) {
            if (attributes & attr::kDirectory) platform.files.RemoveFolder(entry);
            continue;
        }
        if (ops.FolderExists(folder)) ops.RemoveFolder(folder, "*.*");
    }
    platform.shell.ChangeNotify(shcne::kAssocChanged, 0);
    platform.shell.ChangeNotify(shcne::kUpdateItem, 0);
    platform.shell.ChangeNotify(shcne::kUpdateDir, 0);
}

}  // namespace lorvel
