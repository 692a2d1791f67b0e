// How the install vouches for its uninstall record, and how the uninstall checks it.
// The record lies in the setup folder, which other accounts can often write; the
// program's entry in the list of installed programs lies where only administrators
// can. So the install stores there the SHA-256 of the record's bytes and of each
// component file the uninstall would load, and the uninstall trusts a record only
// when the entry that starts it names this very record and holds its digest.
#pragma once

#include <map>
#include <string>

#include "platform/Platform.h"

namespace lorvel {

// What the install vouched for, read from its entry in the list of installed
// programs, where only administrators can write.
struct RecordTrust {
    enum class State { Vouched, NoDigest, Mismatch };
    State state = State::NoDigest;
    std::map<std::string, std::string> componentDigests;  // upper-case path -> SHA-256
    bool Vouched() const { return state == State::Vouched; }
};

// Beside DisplayName and UninstallString in the entry; the components' digests in a
// key of the entry, one value per component path.
constexpr const char* kRecordDigestValue = "RecordDigest";
constexpr const char* kComponentDigestsKey = "ComponentDigests";

// Writes the digests into the entry (HKLM\entryKey), replacing any earlier ones.
platform::ErrorCode VouchForRecord(platform::Registry& registry, const std::string& entryKey,
                                   const std::string& recordBytes,
                                   const std::map<std::string, std::string>& componentDigests);

// What the entry says of the record at recordPath whose bytes are recordBytes:
// Vouched when its UninstallString names that path and its digest is theirs;
// NoDigest when the entry or its digest is missing (a record from before digests,
// or written by hand); Mismatch when the record is not the one the install wrote.
RecordTrust ReadRecordTrust(platform::Registry& registry, const std::string& entryKey, const std::string& recordPath,
                            const std::string& recordBytes);

// The record's path that an entry's UninstallString names in its last double
// quotes; empty when it names none.
//   RecordPathOfCommand("\"C:\\WINDOWS\\UNKORAT.EXE\" \"C:\\APP\\UNSETUP.INI\"") => "C:\\APP\\UNSETUP.INI"
//   RecordPathOfCommand("C:\\WINDOWS\\UNKORAT.EXE \"C:\\APP\\UNSETUP.INI\"")     => "C:\\APP\\UNSETUP.INI"
std::string RecordPathOfCommand(const std::string& command);

}  // namespace lorvel
