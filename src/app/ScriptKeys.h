// The setup script's general keys, read at start-up from the work copy of the
// script (install mode) or of the uninstall record (uninstall mode).
#pragma once

#include <array>
#include <string>

#include "platform/Platform.h"
#include "run/FixedNames.h"
#include "run/ProfileStore.h"
#include "run/ScriptReader.h"
#include "run/SetupContext.h"
#include "util/FolderMacros.h"
#include "util/ProductName.h"
#include "util/ShortcutBoxes.h"

namespace lorvel {

constexpr const char* kDefaultTitle = kProductTitle;
constexpr int kDefaultSetupSpeed = 400;
// [DefaultFolder] Folder of a script that has none: the Program Files folder itself.
constexpr const char* kDefaultSetupFolder = "(Prg)\\";

// A folder as the wizard proposes it: its macros expanded, and "\" at its end.
std::string AsSetupFolder(const std::string& folder, const FolderTable& table);

struct GeneralKeys {
    int setupSpeed = kDefaultSetupSpeed;
    bool enabled = true;  // false only for [Extend] Enabled=False
    std::string setupTitle;
    std::string unSetupTitle;
    std::string programId;
    std::string folder;       // the proposed setup folder (install) or the record's folder
    std::string messageText;  // [TopMessage], before the wizard adds its notice
    std::string readmePath;   // the readme file when it exists, else empty
    std::string readmeTitle;
    std::string scrollBars = "ssVertical";
    std::array<bool, kShortcutBoxCount> shortcutBoxes{};  // by ShortcutBox: the boxes start-up ticks
    std::string checkBox = "0,0,0,0";                     // uninstall mode: [UnSetupOption] CheckBox
};

class ScriptKeyReader {
public:
    ScriptKeyReader(platform::Platform& platform, ProfileStore& profiles) : platform_(platform), profiles_(profiles) {}

    GeneralKeys Read(const SetupContext& context);

    // The proposed setup folder: default, folder memory, registry, profile file,
    // then macros expanded and "\" added.
    std::string ProposedFolder(const SetupContext& context, const std::string& programId);

private:
    // A key of the record, which uninstall mode reads in place of the script.
    std::string Key(const SetupContext& context, record::Key key, const std::string& fallback)
    {
        return ScriptReader(profiles_, context.scriptFile).Record(key, fallback);
    }
    std::string Key(const SetupContext& context, script::Key key, const std::string& fallback)
    {
        return ScriptReader(profiles_, context.scriptFile)(key, fallback);
    }
    std::string Key(const SetupContext& context, script::Key key, int number, const std::string& fallback)
    {
        return ScriptReader(profiles_, context.scriptFile)(key, number, fallback);
    }
    std::string FolderFromRegistry(const std::string& reference, const std::string& current);
    void ScanShortcutNames(const SetupContext& context, GeneralKeys& keys);

    platform::Platform& platform_;
    ProfileStore& profiles_;
};

}  // namespace lorvel
