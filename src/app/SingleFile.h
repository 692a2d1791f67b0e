// Start-up of a program that carries its medium (one downloaded file): the medium is
// unpacked into the run's private work folder and checked against the digest the
// program's own image holds before any of it is used; from then on the run reads its
// script and files from there, as from a medium folder.
#pragma once

#include "app/Startup.h"

namespace lorvel {

constexpr const char* kFatalCarriedMedium = "【致命的エラー  →  セットアップファイル破損】";
// The folder in the work folder the carried medium is unpacked into.
constexpr const char* kCarriedMediumFolder = "MEDIUM";

// Nothing for a program that carries no medium, or for an uninstall; otherwise the
// source folder becomes the unpacked medium, or a fatal line says why it cannot, with
// nothing of it left behind, and the result is false: the start-up files are not
// looked for beside a damaged file, where none belong.
bool UnpackCarriedMedium(StartupDecision& decision, platform::Platform& platform, FileOps& ops);

}  // namespace lorvel
