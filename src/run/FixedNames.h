// The system's fixed file names, each named once. They are shared with every install
// this system ever made on a machine (the record's name selects the uninstall mode,
// the folder memory and the uninstaller are common to all), so they never change.
#pragma once

#include <cstddef>

namespace lorvel {

// On the medium: the program and its script.
constexpr const char* kProgramName = "SETUP.EXE";
constexpr const char* kScriptName = "SETUP.INI";
// In the setup folder: the uninstall record.
constexpr const char* kRecordName = "UNSETUP.INI";
// In the work folder: the program's copy (the source of the uninstaller).
constexpr const char* kProgramWorkCopyName = "SETUPB.EXE";
// In the Windows folder: the folder memory and the uninstaller.
constexpr const char* kFolderMemoryName = "KORAT98.INI";
constexpr const char* kUninstallerName = "UNKORAT.EXE";
// In the Windows folder: the journals of runs under way, one per product.
constexpr const char* kJournalFolderName = "LVJOURNAL";
// In the temporary folder: the work folders KRTMP1 to KRTMP99.
constexpr const char* kWorkFolderPrefix = "KRTMP";
constexpr int kWorkFolderLimit = 99;
// In the work folder: the file an LZ expansion passes through.
constexpr const char* kExpansionFileName = "EXPAND.KRT";

// A script or record larger than this is refused unread: no real one comes near it,
// and the program reads each whole.
constexpr std::size_t kMaxScriptBytes = 4u << 20;
// A profile (INI) file the program reads or writes: the script's own, the record's, or
// one the script names.
constexpr std::size_t kMaxProfileBytes = 16u << 20;

}  // namespace lorvel
