// The state an install run owns from its start to its end.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "run/FailureText.h"
#include "run/UninstallRecord.h"
#include "util/ShortcutBoxes.h"

namespace lorvel {

struct RelatePair {
    std::string name;
    std::string file;
};

// An association as the machine held it before the run changed it.
struct AssociationBefore {
    std::string extension;
    bool extensionKey = false;               // whether HKCR\.ext was there
    std::optional<platform::RegValue> type;  // its default value, when it had one
    bool typeKey = false;                    // whether HKCR\ext_auto_file was there
};

// A shared count the run raised for a file it copied, and what was there before.
struct CountRaised {
    std::string path;
    std::optional<platform::RegValue> countBefore;  // the entry, none when there was none
    bool fileBefore = false;                        // whether the file was there before the copy
    std::string digest;  // of what this run put there: a component is loaded to unregister it only then
};

struct InstallRunState {
    bool overwrite = true;
    std::array<bool, kShortcutBoxCount> shortcutBoxes{};  // by ShortcutBox, as ticked at the start

    std::array<RelatePair, kRelateSlots> relate;
    int relateCount = 0;

    std::int32_t entryCount = 0;
    // Byte counts are 64-bit: one file, or the files together, may hold more than
    // the 2 GB a 32-bit count can, and a count that overflows shows a wrong
    // progress and asks for a wrong amount of space.
    std::int64_t requiredBytes = 0;
    bool sizeKnown = true;
    std::int64_t copiedBytes = 0;
    std::int64_t freeBytes = -1;
    std::int32_t diskNumber = 1;

    FailureText failures;

    // What the uninstaller must undo, loaded from an earlier record and added to.
    RecordLists lists;
    // Upper-case paths of the shared files whose count this record holds already.
    std::set<std::string> countedShared;

    // The associations changed since the start, first change first, until the record
    // that lets the uninstall restore them is written. A run that ends before puts
    // them back: a second attempt would take this system's own type for the user's,
    // and keep it on uninstall.
    std::vector<AssociationBefore> unrecordedAssociations;
    // The same for the shared counts raised since the start.
    std::vector<CountRaised> unrecordedCounts;
    // Upper-case path -> SHA-256 of the components as this run copied them: what the
    // record vouches for, read when they were written, not when the run ends.
    std::map<std::string, std::string> componentDigests;
    // Upper-case paths of the components in places another account may change: the
    // record vouches for none of them, so no uninstall loads them.
    std::set<std::string> unvouchedComponents;
};

}  // namespace lorvel
