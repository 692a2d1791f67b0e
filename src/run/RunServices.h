// The services every run is given, in one bundle: the install run, its completion
// and the uninstall run take the same ones, and whoever starts a run (the program,
// the dry run, a test) builds them once.
#pragma once

#include "platform/Platform.h"
#include "run/FileOps.h"
#include "run/ProfileStore.h"
#include "run/RunEvents.h"
#include "run/RunView.h"
#include "run/ScriptReader.h"
#include "run/SetupContext.h"
#include "run/SharedFiles.h"

namespace lorvel {

struct RunServices {
    platform::Platform& platform;
    ProfileStore& profiles;
    FileOps& ops;
    SetupContext& context;
    RunView& view;
    SharedFiles& shared;
    RunEvents* events = nullptr;  // who watches the run, besides its view

    RunEvents& Events() const { return events ? *events : RunEvents::None(); }

    // The run's script: the work copy of the setup script, or in uninstall mode the
    // record, which start-up names in its place.
    ScriptReader Script() const { return ScriptReader(profiles, context.scriptFile); }
};

}  // namespace lorvel
