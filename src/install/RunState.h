// The state an install run owns from its start to its end.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "run/FailureText.h"
#include "util/ShortcutBoxes.h"
#include "uninstall/UninstallRecord.h"

namespace lorvel {

struct RelatePair {
    std::string name;
    std::string file;
};

struct InstallRunState {
    bool overwrite = true;
    std::array<bool, kShortcutBoxCount> shortcutBoxes{};  // by ShortcutBox, as ticked at the start

    std::array<RelatePair, 20> relate;
    int relateCount = 0;

    std::int32_t entryCount = 0;
    std::int32_t requiredBytes = 0;
    bool sizeKnown = true;
    std::int32_t copiedBytes = 0;
    std::int64_t freeBytes = -1;
    std::int32_t diskNumber = 1;

    FailureText failures;

    // What the uninstaller must undo, loaded from an earlier record and added to.
    RecordLists lists;
};

}  // namespace lorvel
