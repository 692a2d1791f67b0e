// The uninstall run: one long procedure on the user-interface thread that works
// through the work copy of the uninstall record section by section (files, extra
// files, shortcuts, folders, registry keys, associations, the entry in the list of
// installed programs, the setup folder), asks before it deletes what other programs
// may still need, collects every failure, offers them, and ends the program. It
// cannot be aborted.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "run/FailureText.h"
#include "run/FileOps.h"
#include "run/LinkedFolders.h"
#include "run/ProfileStore.h"
#include "run/RunJournal.h"
#include "run/RunServices.h"
#include "run/RunView.h"
#include "run/SetupContext.h"
#include "run/SharedFiles.h"
#include "uninstall/UninstallGuard.h"

namespace lorvel {

// What the four option boxes ask to delete beyond the record.
struct DeletionChoice {
    std::string patterns;           // "*.INI|", "*.GID|", both, or empty
    bool deleteEverything = false;  // the "DeleteAll" layout, ticked
};
DeletionChoice DeletionChoiceOf(const RunOptions& options);

class UninstallRun {
public:
    explicit UninstallRun(const RunServices& services);

    // What the start found of an earlier uninstall of this record cut off: the run
    // goes on with its journal, lowering no count a second time.
    void GoOnFrom(const RepairOutcome& outcome);

    void Run();

    const FailureText& Failures() const { return failures_; }
    // The record was not vouched for and the user (or the answers file) refused it:
    // nothing was done.
    bool RecordRefused() const { return recordRefused_; }

private:
    enum class Section { DeleteFile, AddDeleteFile };

    bool Start();
    bool AcceptRecord();
    void ConfineToRecordFolder();
    bool MayUnregister(const std::string& path);
    void DeleteRecordedFiles(Section section);
    platform::ErrorCode DecideAndDelete(const std::string& path, const std::string& flags);
    bool ConfirmSharedDeletion(const std::string& path);
    bool LowerSharedCount(const std::string& path);
    void BeginJournal();
    bool InSystemFolders(const std::string& path) const;
    bool Confirm(const std::string& text);
    void DeleteShortcuts();
    void RemoveRecordedFolders();
    void DeleteRegistryKeys();
    void RestoreAssociations();
    void RemoveRecordAndEntry();
    void RemoveUninstallEntry();
    void Failed(const std::string& tag, const std::string& item, platform::ErrorCode code);
    void RemoveEmptyEntryParents(const std::string& key);
    void RemoveAddedType(const std::string& extensionKey);
    bool IsEmptyKey(platform::RootKey root, const std::string& path);
    void RemoveSetupFolder();
    void OfferFailureDetails();
    void Finish();

    bool Refuse(const std::string& tag, const std::string& path);
    bool ThroughLink(const std::string& path);
    void ChooseLinkRoot();
    platform::ErrorCode RemoveFolderSafely(const std::string& folder, const std::string& patterns,
                                           const std::string& tag);
    void DeleteKey(const std::string& token, const std::string& path);
    bool IsPartProtectedSetupFolder() const;
    std::string Record(record::Key key) const { return services_.Script().Record(key); }

    RunServices services_;
    DeletionChoice choice_;
    std::optional<UninstallGuard> guard_;
    LinkedFolders links_;
    std::string linkRoot_;  // where the link checks start, ending in "\\"
    FailureText failures_;
    RunJournal journal_;
    std::string journalPath_;
    // Upper-case path -> the count before: lowered by this run or the one cut off.
    std::map<std::string, std::int32_t> lowered_;
    bool goingOn_ = false;  // after a run of the record cut off
    bool recordRefused_ = false;
    bool recordListed_ = false;  // the record is one of its own DeleteFile entries
    bool leftBehind_ = false;    // a removal failed and what it named is still there
    bool asked_ = false;         // a question was asked since the last check of a path
};

}  // namespace lorvel
