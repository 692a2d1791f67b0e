#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"
#include "../run/RecordingView.h"
#include "install/InstallJournal.h"
#include "run/RunJournal.h"

namespace lorvel {
namespace {

using namespace platform;

// What is read back of a journal the power cut in the middle of a line, or somebody
// changed: the notes before the first line that does not hold, and nothing at all
// without the first line.
TEST(RunJournalTest, ReadsUpToTheFirstLineThatDoesNotHold)
{
    const std::string header = JournalLine({"LVJOURNAL 1", "install"});
    const std::string made = JournalLine({"made", "C:\\APP"});
    // Every byte that needs it escaped, and a Shift-JIS name whose trail byte is "\".
    const std::string odd = JournalLine({"value", "1\t2", "%\r\n", std::string("\0\x95\x5C", 3)});
    std::string changed = made;
    changed[5] = 'D';
    struct Row {
        const char* what;
        std::string bytes;
        std::optional<std::size_t> notes;  // none: no journal
    };
    const Row rows[] = {
        {"whole", header + made + odd, 2},
        {"the last line cut short", header + made + odd.substr(0, odd.size() - 1), 1},
        {"a line changed", header + changed + odd, 0},
        {"the first line cut short", header.substr(0, 10), std::nullopt},
        {"another kind of run", JournalLine({"LVJOURNAL 1", "repair"}) + made, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto contents = ParseJournal(row.bytes);
        ASSERT_EQ(contents.has_value(), row.notes.has_value());
        if (!contents) continue;
        ASSERT_EQ(contents->notes.size(), *row.notes);
        if (*row.notes == 2)
            EXPECT_EQ(contents->notes[1], (JournalNote{"value", "1\t2", "%\r\n", std::string("\0\x95\x5C", 3)}));
    }
}

// A journal tells the elevated program what to delete and what to write back: one that
// another account could have put there, or that is reached through a link, is refused
// and nothing it names is touched.
TEST(RunJournalTest, AJournalAnotherAccountCouldHavePlantedIsNotActedOn)
{
    struct Row {
        const char* what;
        void (*plant)(testing::TestMachine& vm, const std::string& path, const std::string& bytes);
        RepairOutcome::Done done;
    };
    const Row rows[] = {
        {"in the administrators' folder",
         [](testing::TestMachine& vm, const std::string& path, const std::string& bytes) { vm.Put(path, bytes); },
         RepairOutcome::Done::InstallUndone},
        {"in a folder others may change",
         [](testing::TestMachine& vm, const std::string& path, const std::string& bytes) {
             vm.Put(path, bytes);
             vm.machine.LetOthersWrite("C:\\WINDOWS\\LVJOURNAL");
         },
         RepairOutcome::Done::NotTrusted},
        {"through a link to a file of theirs",
         [](testing::TestMachine& vm, const std::string& path, const std::string& bytes) {
             vm.Put("C:\\USERS\\THEIRS.TXT", bytes);
             vm.platform.files.CreateFolder("C:\\WINDOWS\\LVJOURNAL");
             vm.machine.MakeFileLink(path, "C:\\USERS\\THEIRS.TXT");
         },
         RepairOutcome::Done::NotTrusted},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TestMachine vm;
        vm.Put("C:\\DATA\\PRECIOUS.DOC", "the user's");
        const std::string path = JournalPath("C:\\WINDOWS\\", "SOFTWARE\\X");
        row.plant(vm, path, JournalLine({"LVJOURNAL 1", "install"}) + JournalLine({"made", "C:\\DATA"}));
        SetupContext context = vm.StartupContext();
        testing::RecordingView view;
        ProfileStore profiles(vm.platform.files, "C:\\WINDOWS");
        FileOps ops(vm.platform);
        SharedFiles shared(vm.platform, true, nullptr);
        const RepairOutcome outcome =
            RepairInterruptedRun({vm.platform, profiles, ops, context, view, shared}, path, false);
        EXPECT_EQ(outcome.done, row.done);
        EXPECT_EQ(vm.Get("C:\\DATA\\PRECIOUS.DOC") == "the user's", row.done == RepairOutcome::Done::NotTrusted);
    }
}

}  // namespace
}  // namespace lorvel
