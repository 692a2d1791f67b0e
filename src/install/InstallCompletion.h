// The two places where an install run meets its uninstall record: loading a record
// an earlier install left in the setup folder, so that the new one adds to it, and
// completing the install: the uninstaller, the folder memory, the record, the entry
// in the system's list of installed programs, the failure details, the completion
// message and the program to start or the restart.
#pragma once

#include <string>

#include "install/InstallJournal.h"
#include "install/InstallRunState.h"
#include "platform/Platform.h"
#include "run/FileOps.h"
#include "run/FixedNames.h"
#include "run/ProfileStore.h"
#include "run/RunServices.h"
#include "run/RunView.h"
#include "run/SetupContext.h"
#include "run/SharedFiles.h"

namespace lorvel {

// Fixes the setup drive, keeps a copy of an existing record in the work folder and
// appends its lists to the run's lists. A missing record leaves them empty, and so
// does one the earlier install did not vouch for: that one is kept aside under
// kUnverifiedRecordName, and a failure says so, since the new record is the
// administrator's own and must not take over entries someone else wrote.
void LoadExistingRecord(platform::Platform& platform, SetupContext& context, FileOps& ops, RecordLists& lists,
                        FailureText& failures);

constexpr const char* kUnverifiedRecordName = "UNSETUP_UNVERIFIED.INI";

// The product's entry in the list of installed programs, under HKEY_LOCAL_MACHINE, as
// the script names it.
std::string UninstallEntryKey(const RunServices& services);

class InstallCompletion {
public:
    InstallCompletion(const RunServices& services, InstallRunState& state, InstallJournal& journal);

    // The run's last phase; it ends the run and, with the wizard, the program.
    void Run();

private:
    std::string Script(script::Key key, const std::string& fallback = {}) const
    {
        return services_.Script()(key, fallback);
    }
    bool ReplacesUninstaller(const std::string& source, const std::string& target);
    std::string InstallUninstaller();
    void RememberFolder();
    void WriteUninstallRecord(const std::string& uninstaller);
    void MakeCopiesDurable();
    void UndoUnrecordedChanges();
    void ForgetUnrecordedChanges();
    bool RegisterUninstallEntry(const std::string& keyPath, const std::string& displayName,
                                const std::string& uninstaller);
    bool VouchForWrittenRecord(const std::string& keyPath, const std::string& record);
    std::uint32_t InstalledKilobytes();
    void OfferFailureDetails();
    void StartProgramOrRestart();
    void StartProgram(const std::string& value);
    std::string RecordPath() const;
    bool SetupOnly() const;

    RunServices services_;
    InstallRunState& state_;
    InstallJournal& journal_;
};

}  // namespace lorvel
