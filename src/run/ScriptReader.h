// A setup script read key by key through the profile store, each key named by its
// entry in the script's vocabulary, so no run spells a section or key of its own;
// the one reader of the script, and of the record that uninstall mode reads in its
// place.
//
//   ScriptReader(profiles, "C:\\TEMP\\KRTMP1\\SETUP.INI")(script::Key::CopyFile, 3)
//     => the value of [CopyFile] File3, or "" when there is none
//   for (const auto& [number, value] : reader.Numbered(script::Key::CopyFile)) ...
//     => File1, File2, ... up to the first empty one
#pragma once

#include <string>

#include "run/ProfileStore.h"
#include "util/NumberedValues.h"
#include "util/RecordVocabulary.h"
#include "util/ScriptVocabulary.h"

namespace lorvel {

class ScriptReader {
public:
    // file: the script as the profile store names it; read at each call, so the
    // reader follows a context whose script is chosen later.
    ScriptReader(ProfileStore& profiles, const std::string& file) : profiles_(profiles), file_(file) {}

    // A fixed key's value, or the fallback when it is missing.
    std::string operator()(script::Key key, const std::string& fallback = {}) const
    {
        return profiles_.ReadProfile(script::SectionOf(key), script::NameOf(key), fallback, file_);
    }
    // A numbered key's value, or the fallback when it is missing.
    std::string operator()(script::Key key, int number, const std::string& fallback = {}) const
    {
        return profiles_.ReadProfile(script::SectionOf(key), script::NameOf(key, number), fallback, file_);
    }
    // A numbered key's values as its loop takes them, within the key's bound.
    NumberedValues Numbered(script::Key key, NumberedEnd end = NumberedEnd::FirstEmpty) const
    {
        return NumberedValues([reader = *this, key](int number) { return reader(key, number); },
                              script::SpecOf(key).highest, end);
    }
    // A key of the uninstall record, which uninstall mode reads in place of the script.
    std::string Record(record::Key key, const std::string& fallback = {}) const
    {
        return profiles_.ReadProfile(record::SectionOf(key), record::NameOf(key), fallback, file_);
    }

private:
    ProfileStore& profiles_;
    const std::string& file_;
};

}  // namespace lorvel
