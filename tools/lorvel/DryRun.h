// The dry run: the real program, start-up to completion, on a fresh simulated
// Windows machine with the headless widgets, answering as an answers file says; then,
// if asked, the uninstall from the record it left. The report is what changed on the
// machine, phase by phase as the progress window told it.
#pragma once

#include <iosfwd>

#include "HostFiles.h"

namespace lorvel::tool {

struct DryRunOptions {
    fs::path medium;   // a medium folder, its DISK1 folder or its script
    fs::path answers;  // empty: the documented defaults
    bool uninstall = false;
    bool json = false;
};

// The answers file, a profile file in UTF-8 or Shift-JIS:
//   [Wizard]  Folder=...  OverWrite=1|0  Desktop= StartMenu= StartUp= SendTo= (1 ticks, 0 clears)
//   [Answers] <message box caption>=Yes|No|OK|Cancel
//   [Uninstall] Shared=Yes|No|Delete|Save  (the shared-file question's button)
// Defaults: the wizard as start-up fills it, the first button of every box (Yes,
// OK), and No for the shared-file question, which keeps a file another program uses.
int RunDryRun(const DryRunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace lorvel::tool
