#include <cstdio>

#include "platform/virtual/HostAccess.h"
#include "platform/virtual/VirtualServices.h"
#include "util/PeImage.h"
#include "util/ShiftJisText.h"

namespace lorvel::platform::virt {

namespace {

class VirtualMutex final : public NamedMutex {
public:
    VirtualMutex(std::set<std::string>& names, std::string name, bool owner)
        : names_(names), name_(std::move(name)), owner_(owner)
    {
    }
    ~VirtualMutex() override
    {
        if (owner_) names_.erase(name_);
    }

private:
    std::set<std::string>& names_;
    std::string name_;
    bool owner_;
};

// The wording of the Japanese system for the codes the program meets most.
const char* KnownErrorText(ErrorCode code)
{
    switch (code) {
    case 2: return "指定されたファイルが見つかりません。\r\n";
    case 3: return "指定されたパスが見つかりません。\r\n";
    case 5: return "アクセスが拒否されました。\r\n";
    case 32: return "プロセスはファイルにアクセスできません。別のプロセスが使用中です。\r\n";
    case 80: return "ファイルがあります。\r\n";
    case 112: return "ディスクに十分な空き領域がありません。\r\n";
    case 123: return "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。\r\n";
    case 145: return "ディレクトリが空ではありません。\r\n";
    case 183: return "既に存在するファイルを作成することはできません。\r\n";
    case 0x80040154u: return "クラスが登録されていません。\r\n";
    default: return nullptr;
    }
}

}  // namespace

std::optional<OsVersion> VirtualSystem::GetVersion()
{
    if (s_.machine.Config().versionQueryFails) return std::nullopt;
    OsVersion version;
    const std::uint32_t id = s_.machine.Config().platformId;
    version.platformId = id;
    version.major = id == 2 ? 5 : 4;
    version.minor = id == 2 ? 1 : 10;
    version.build = id == 2 ? 2600 : 2222;
    return version;
}

std::string VirtualSystem::GetWindowsFolder()
{
    return s_.machine.Config().windowsFolder;
}
std::string VirtualSystem::GetSystemFolder()
{
    return s_.machine.Config().systemFolder;
}

std::string VirtualSystem::GetSystemWow64Folder()
{
    const MachineConfig& config = s_.machine.Config();
    return config.wow64 ? config.windowsFolder + "\\SYSWOW64" : std::string();
}

std::string VirtualSystem::GetOtherProgramFilesFolder()
{
    return s_.machine.Config().wow64 ? std::string(kNativeProgramFiles) : std::string();
}

std::string VirtualSystem::GetTempFolder()
{
    const std::string& temp = s_.machine.Config().tempFolder;
    return temp.empty() ? temp : temp + "\\";
}

std::string VirtualSystem::GetProgramPath()
{
    return s_.machine.Config().programPath;
}

// The machine maps nothing: the section is read from the program's file as it is
// when asked, which the run asks once, at its start.
std::optional<std::string> VirtualSystem::GetProgramSection(const std::string& name)
{
    std::string bytes;
    if (s_.files->ReadWholeFile(s_.machine.Config().programPath, bytes) != kErrorSuccess) return std::nullopt;
    const auto section = FindPeSection(bytes, name, PeLayout::File);
    return section ? std::optional<std::string>(*section) : std::nullopt;
}
std::string VirtualSystem::GetProgramCommandLine()
{
    return s_.machine.Config().commandLine;
}

std::optional<std::string> VirtualSystem::GetFileVersionString(const std::string& path)
{
    const auto& versions = s_.machine.Config().fileVersions;
    WinPath named = ParseWinPath(path);
    s_.RedirectForProgram(named);
    const auto found = versions.find(named.Key());
    if (found == versions.end()) return std::nullopt;
    return found->second;
}

std::string VirtualSystem::GetErrorText(ErrorCode code)
{
    const auto& texts = s_.machine.Config().errorTexts;
    if (const auto given = texts.find(code); given != texts.end()) return given->second;
    if (const char* known = KnownErrorText(code)) return known;
    // A status of the component object model the system has no text for.
    if (code & 0x80000000u) return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "システム エラー %u が発生しました。\r\n", code);
    return buffer;
}

bool VirtualSystem::IsDoubleByteSystem()
{
    return s_.machine.Config().doubleByteSystem;
}

std::string VirtualSystem::MapTextBySystem(const std::string& text, std::uint32_t flags)
{
    return MapString(text, flags);
}

std::unique_ptr<NamedMutex> VirtualSystem::OpenNamedMutex(const std::string& name)
{
    if (!s_.mutexes.count(name)) return nullptr;
    return std::make_unique<VirtualMutex>(s_.mutexes, name, false);
}

std::unique_ptr<NamedMutex> VirtualSystem::CreateNamedMutex(const std::string& name)
{
    const bool created = s_.mutexes.insert(name).second;
    return std::make_unique<VirtualMutex>(s_.mutexes, name, created);
}

namespace {

// A FILETIME on the machine's local clock as a calendar moment.
LocalTime LocalTimeOf(std::uint64_t fileTime, int utcOffsetMinutes)
{
    constexpr std::int64_t kUnixEpoch = 116444736000000000LL;
    const std::int64_t sinceEpoch = static_cast<std::int64_t>(fileTime) - kUnixEpoch;
    const std::int64_t seconds = (sinceEpoch >= 0 ? sinceEpoch / 10000000LL : (sinceEpoch - 9999999LL) / 10000000LL) +
                                 static_cast<std::int64_t>(utcOffsetMinutes) * 60;
    std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const std::int64_t secondOfDay = seconds - days * 86400;
    // Civil date from days since 1970-01-01.
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    LocalTime time;
    time.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    time.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0));
    time.hour = static_cast<int>(secondOfDay / 3600);
    time.minute = static_cast<int>((secondOfDay / 60) % 60);
    time.second = static_cast<int>(secondOfDay % 60);
    time.millisecond = static_cast<int>(((sinceEpoch % 10000000LL + 10000000LL) % 10000000LL) / 10000);
    return time;
}

}  // namespace

std::uint32_t VirtualSystem::ToLocalDosDateTime(std::uint64_t fileTime)
{
    const LocalTime t = LocalTimeOf(fileTime, s_.machine.Config().utcOffsetMinutes);
    if (t.year < 1980 || t.year > 2107) return 0;
    const auto date = static_cast<std::uint32_t>(((t.year - 1980) << 9) | (t.month << 5) | t.day);
    const auto time = static_cast<std::uint32_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
    return (date << 16) | time;
}

LocalTime VirtualSystem::GetLocalTime()
{
    return LocalTimeOf(s_.NowFileTime(), s_.machine.Config().utcOffsetMinutes);
}

std::optional<std::string> VirtualSystem::ShiftJisToUtf8(const std::string& text)
{
    if (text.empty()) return std::string();
    std::string converted = lorvel::platform::virt::ShiftJisToUtf8(text);
    if (converted.empty()) return std::nullopt;
    return converted;
}

std::optional<std::string> VirtualSystem::Utf8ToShiftJis(const std::string& text)
{
    if (text.empty()) return std::string();
    std::string converted = lorvel::platform::virt::Utf8ToShiftJis(text);
    if (converted.empty()) return std::nullopt;
    return converted;
}

void VirtualSystem::Sleep(std::uint32_t milliseconds)
{
    s_.clockMs += milliseconds;
}

std::uint32_t VirtualSystem::GetTickCount()
{
    return static_cast<std::uint32_t>(s_.clockMs);
}

std::uint64_t VirtualSystem::GetMicroseconds()
{
    return s_.clockMs * 1000u;
}

std::uint64_t VirtualSystem::GetUnforeseeableNumber()
{
    return s_.Unforeseeable();
}

std::string VirtualShell::GetSpecialFolder(int csidl)
{
    const auto& folders = s_.machine.Config().specialFolders;
    const auto found = folders.find(csidl);
    return found == folders.end() ? std::string() : found->second;
}

void VirtualShell::ChangeNotify(long eventId, unsigned flags)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "notify 0x%lx %u", static_cast<unsigned long>(eventId), flags);
    s_.journal.push_back(buffer);
}

int VirtualShell::RestartDialog(const std::string& prompt, int exitFlags)
{
    s_.journal.push_back("restart " + std::to_string(exitFlags) + (prompt.empty() ? "" : " " + prompt));
    return s_.machine.Config().restartAnswer;
}

std::intptr_t VirtualShell::OpenFile(const std::string& file, const std::string& parameters)
{
    // The shell's own "file not found" result for a file that is not there.
    constexpr std::intptr_t kShellFileNotFound = 2;
    constexpr std::intptr_t kShellStarted = 42;
    if (!s_.files->FileExists(file)) return kShellFileNotFound;
    s_.journal.push_back("open " + file + (parameters.empty() ? "" : " " + parameters));
    return kShellStarted;
}

}  // namespace lorvel::platform::virt
