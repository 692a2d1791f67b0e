// What a run is about to change, on disk before it changes it, so that the next run
// of the same product can put right a run that was cut off (killed, or the power
// lost) at any moment: an install's changes are undone, an uninstall goes on where it
// stopped without counting anything twice.
//
// One journal per product, in a folder of the Windows folder that only administrators
// may change, named by the product's entry in the list of installed programs. A line
// per note: fields separated by tabs, each field with "%", tab, CR, LF and NUL written
// as "%XX", and the line ending in a tab and the first 16 hexadecimal digits of the
// SHA-256 of what comes before them. The first line names the run:
//   "LVJOURNAL 1<TAB>install<TAB>…digest"
//   "made<TAB>C:\APP\<TAB>…digest"
// A line cut short (the power went while it was written) or not matching its digest
// ends what is read: every note before it holds, and the change it announced was not
// begun, since each change waits for its note.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "run/FailureText.h"

namespace lorvel {

enum class JournalKind { Install, Uninstall };

using JournalNote = std::vector<std::string>;  // the note's word first, then its fields

struct JournalContents {
    JournalKind kind = JournalKind::Install;
    std::vector<JournalNote> notes;
    bool done = false;  // the run came to its end; only the removal was left
};

// One line of a journal, ending in "\n".
std::string JournalLine(const JournalNote& fields);
// A registry value as a note's field ("" for none, else its type, ":" and its data),
// and back.
std::string EncodeValue(const std::optional<platform::RegValue>& value);
std::optional<platform::RegValue> DecodeValue(const std::string& field);

// One line without its "\n", when its digest holds.
std::optional<JournalNote> ParseJournalLine(std::string_view line);
// The notes up to the first line that is cut short or does not hold; nullopt when
// the first line is no journal's.
//   ParseJournal(JournalLine({"LVJOURNAL 1", "install"}) + JournalLine({"made", "C:\\A"}))
//     => install, {{"made", "C:\\A"}}
std::optional<JournalContents> ParseJournal(std::string_view bytes);

// Where the journal of the product whose list entry is entryKey lies (the key is
// compared without case); "" without a Windows folder, and no journal is kept then.
std::string JournalPath(const std::string& windowsFolder, const std::string& entryKey);

struct RunServices;
// The journal of the product whose record an uninstall carries out: named by the
// record's list entry, or, for a record from before there was one, by its path.
std::string UninstallJournalPath(const RunServices& services);

// A journal found at the start of a run.
struct FoundJournal {
    enum class State { None, Found, Unreadable, OthersMayChange } state = State::None;
    JournalContents contents;
};
// Reads the journal at path. One in a place another account may change, or reached
// through a link, is no journal the program acts on: it could have been planted.
FoundJournal ReadJournal(platform::FileSystem& files, const std::string& path);

// What the start of a run did with a journal it found.
struct RepairOutcome {
    enum class Done {
        Nothing,          // none found
        InstallUndone,    // an install was cut off; its changes are undone
        CountsPutBack,    // an uninstall was cut off; an install puts back the counts it lowered
        UninstallGoesOn,  // an uninstall was cut off; the uninstall goes on with its journal
        NotTrusted,       // one was found where another account could have put it
    } done = Done::Nothing;
    std::string journalPath;
    // For an uninstall that goes on: upper-case path -> the count it had before.
    std::map<std::string, std::int32_t> lowered;
    FailureText failures;        // what could not be put back
    bool recordChanged = false;  // the undo put back or removed a record
};

// Removes the journal at path, and its folder when no other journal is left in it.
platform::ErrorCode RemoveJournal(platform::FileSystem& files, const std::string& path);

// The journal a run writes.
class RunJournal {
public:
    explicit RunJournal(platform::FileSystem& files) : files_(files) {}

    // A new journal at path; its folder is made for the administrators when missing.
    // Nothing for an empty path.
    platform::ErrorCode Begin(const std::string& path, JournalKind kind);
    // Writes on at the end of a journal found, for a run that goes on with it.
    void Continue(const std::string& path) { path_ = path; }
    // The note reaches the disk before this returns, so a change that waits for it
    // survives a power cut only together with it. Nothing, and success, when no
    // journal is open.
    platform::ErrorCode Note(const JournalNote& fields);
    // The run is whole: the journal says so, and goes.
    platform::ErrorCode End();
    bool IsOpen() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

private:
    platform::FileSystem& files_;
    std::string path_;
};

}  // namespace lorvel
