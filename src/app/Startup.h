// Start-up as a decision over facts: the facts are gathered from the platform first,
// then the setup context and the fatal errors follow from them in functions that
// tests call with made-up facts.
//
//   FirstArgument("\"C:\\A B\\SETUP.EXE\" C:\\APP\\UNSETUP.INI")  => "C:\\APP\\UNSETUP.INI"
//   FirstArgument("SETUP.EXE \"C:\\My App\\UNSETUP.INI\" x")      => "C:\\My App\\UNSETUP.INI"
//   FirstArgument("UNKORAT.EXE /SILENT C:\\APP\\UNSETUP.INI")     => "C:\\APP\\UNSETUP.INI" (switches set aside)
//   RunModeFor("C:\\APP\\UNSETUP.INI") => RunMode::Unsetup;  RunModeFor("C:\\APP\\unsetup.ini") => RunMode::Setup
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "run/FileOps.h"
#include "run/SetupContext.h"

namespace lorvel {

constexpr const char* kFatalWindowsFolder = "【致命的エラー  →  Windowsフォルダ取得失敗】";
constexpr const char* kFatalSystemFolder = "【致命的エラー  →  WindowsSystemフォルダ取得失敗】";
constexpr const char* kFatalScript = "【致命的エラー  →  iniファイル読み込み失敗】";
constexpr const char* kFatalWorkFolder = "【致命的エラー  →  作業フォルダ作成失敗】";
constexpr const char* kScriptTooLarge = "ファイルサイズが上限(4MB)を超えています．";
constexpr const char* kFatalTrailer = "セットアップ・アンセットアップ(アンインストール)は続行できません．";

struct StartupFacts {
    std::string commandLine;
    std::optional<platform::OsVersion> version;
    std::string programPath;
    std::string tempPath;                 // empty: the system gave none
    std::string windowsFolder;            // empty: the system gave none
    std::string systemFolder;             // empty: the system gave none
    std::string systemWow64Folder;        // empty on 32-bit Windows
    std::string otherProgramFilesFolder;  // empty on 32-bit Windows
    std::string programFilesDir;
    bool programFilesExists = false;
    std::map<int, std::string> specialFolders;  // CSIDL -> path as the shell gives it
};

struct StartupDecision {
    SetupContext context;
    std::string firstArgument;
    std::string fatalText;    // one line (ending in CR LF) per fatal error
    std::string programFile;  // the program the uninstaller is made from; empty: the running one
};

std::string FirstArgument(const std::string& commandLine);
RunMode RunModeFor(const std::string& firstArgument);

StartupFacts GatherStartupFacts(platform::Platform& platform, FileOps& ops);
StartupDecision DecideStartup(const StartupFacts& facts);

// The work folder KRTMPn: the first n from 1 to 99 that this run can create new,
// open to its own account alone. A name that is taken, whatever holds it, is passed
// over: a folder somebody else made may hold anything they put there. When none can
// be made the work folder stays empty and the fatal lines say why. When none of the
// 99 can be made (anyone may take them in a temporary folder the system's accounts
// share), KRTMP and a number nobody can foresee is tried instead, so no account can
// keep the program from starting by taking names first.
void PrepareWorkFolder(StartupDecision& decision, platform::Platform& platform, FileOps& ops);

// Copies the program and the script (or the record) into the work folder; adds the
// fatal line when no script arrives there, or when it is larger than a script can be.
void CopyStartupFiles(StartupDecision& decision, platform::Platform& platform, FileOps& ops);

// Deletes every KRTMP1..99 work folder and the run's own work folder, and tells the
// shell what may have changed. A KRTMPn that is a link is removed as a link: its
// target is never entered.
void CleanUpAtProgramEnd(const std::string& tempFolder, const std::string& workFolder, platform::Platform& platform,
                         FileOps& ops);

}  // namespace lorvel
