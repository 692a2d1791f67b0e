// The install's journal: before each change the run notes what it is about to change
// and what was there, so that a run cut off anywhere (killed, or the power lost) is
// undone by the next run of the same product, install or uninstall alike. An install
// is undone rather than finished: the next run may be the uninstall, or an install
// with other answers, into another folder, from a medium no longer there; only the
// machine as it was lets each of them start from something whole.
//
// The notes (fields after the word; a value is "" for none, else its type, ":" and
// its data):
//   made P             P (a file or a folder with all below it) was not there
//   kept P             ... after all: somebody else made it first; it stays
//   count P V F        the shared count of P was V; F "1" when the file was there
//   register P D       P, whose SHA-256 is D, is about to be registered
//   key R K            the registry key K under root R (a number) was not there
//   value R K N V      the value N of the existing key K was V
//   profile F S K V H  the key K of the section S in the profile file F was V when
//                      H is "1"; "S" when only the section was there, "" neither
//   assoc E X T Y      HKCR\.E was there (X "1") with the default T, the type key (Y)
//   record P H B       the record P held the bytes B (H "1"), or was not there
//   tree R K H B       the key K held the tree B (H "1"), or was not there
// The uninstall notes (see UninstallRun):
//   uninstalling R K   the run carries out the record R, whose list entry is K
//   lowered P V C      the shared count of P was the value V, the count C, before the
//                      uninstall lowered it
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "install/InstallRunState.h"
#include "run/FailureText.h"
#include "run/RunJournal.h"
#include "run/RunServices.h"

namespace lorvel {

// The notes an install writes. Each method notes before its change and tells
// whether the change may go on: false only when a note could not be written, which
// is then a failure of the run (once).
class InstallJournal {
public:
    InstallJournal(const RunServices& services, FailureText& failures)
        : services_(services), failures_(failures), journal_(services.platform.files)
    {
    }

    // Starts the journal of the product; a journal that cannot be made is one failure
    // and the run goes on as it would have without one.
    void Begin(const std::string& path);
    // The run came to an end of its own (finished, or stopped and its own undo done):
    // nothing is left to put right.
    void End();

    // Before making path (a folder, or a file): it and each missing folder above it
    // are noted as made, unless they lie in a folder this run made. True when a note
    // names the path itself.
    bool NoteMade(const std::string& path, bool folder);
    void NoteKept(const std::string& path);
    void NoteCount(const std::string& path, const std::optional<platform::RegValue>& before, bool fileBefore);
    void NoteRegister(const std::string& path, const std::string& digest);
    // Before creating key and writing name in it.
    void NoteKey(platform::RootKey root, const std::string& key);
    void NoteValue(platform::RootKey root, const std::string& key, const std::string& name);
    void NoteProfile(const std::string& file, const std::string& section, const std::string& key);
    void NoteAssociation(const AssociationBefore& before);
    void NoteRecord(const std::string& path, const std::optional<std::string>& bytes);
    void NoteTree(platform::RootKey root, const std::string& key);

private:
    void Note(const JournalNote& fields);
    bool InNewFolder(const std::string& upperPath) const;
    bool InNewKey(platform::RootKey root, const std::string& upperKey) const;

    RunServices services_;
    FailureText& failures_;
    RunJournal journal_;
    bool failed_ = false;
    std::set<std::string> newFolders_;  // upper case, without a final "\"
    std::set<std::string> newKeys_;     // root number, "\", upper-case key
    std::set<std::string> notedProfiles_;
};

// Looks for the journal at journalPath and puts right the run it tells of, for a run
// of the kind asked (uninstalling or not).
RepairOutcome RepairInterruptedRun(const RunServices& services, const std::string& journalPath, bool uninstalling);

// The same at the start of an install run, of the uninstall run (its record names the
// product), each telling the user what it found and did. After an undo that put a
// record back, the uninstall's work copy is taken again.
void RepairBeforeInstall(const RunServices& services, const std::string& journalPath);
RepairOutcome RepairBeforeUninstall(const RunServices& services);

// What the user is told of it, "" for nothing.
std::string RepairMessage(const RepairOutcome& outcome);
constexpr const char* kRepairCaption = "中断された処理";

}  // namespace lorvel
