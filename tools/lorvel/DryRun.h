// The dry run: the real program, start-up to completion, on a fresh simulated
// Windows machine with the headless widgets, started as a deployment starts it
// (/SILENT, with /ANSWERS= when an answers file is given); then, if asked, the
// uninstall from the record it left, started the same way. Every choice and answer
// is the program's own, so the report tells what the unattended run would do: what
// changed on the machine, phase by phase, the questions with their answers, and
// where each file came from, as the run's events said.
#pragma once

#include <iosfwd>

#include "HostFiles.h"

namespace lorvel::tool {

struct DryRunOptions {
    fs::path medium;   // a medium folder, its DISK1 folder or its script
    fs::path answers;  // empty: the unattended run's defaults
    bool uninstall = false;
    bool json = false;
};

// The answers file is the one an unattended run takes (see run/AnswersFile.h); it
// is read here first only to refuse a bad one before anything runs.
int RunDryRun(const DryRunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace lorvel::tool
