// The services a run needs, passed by reference so tests can build a fresh machine.
#pragma once

#include "platform/Components.h"
#include "platform/FileSystem.h"
#include "platform/LzExpander.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/ShellLinks.h"
#include "platform/System.h"

namespace lorvel::platform {

struct Platform {
    FileSystem& files;
    Registry& registry;
    System& system;
    Shell& shell;
    Components& components;
    LzExpander& lz;
    ShellLinks& links;
};

}  // namespace lorvel::platform
