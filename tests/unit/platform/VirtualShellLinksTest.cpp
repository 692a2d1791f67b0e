// The simulated machine's links under its faults: a link object that cannot be made
// says so and touches nothing; a save the file system refuses is not reported, leaves
// whatever was there, and is journaled as failed; a link file that is not well formed
// reads as invalid data.
#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"

namespace lorvel {
namespace {

using namespace platform;
using Outcome = LinkSave::Outcome;

constexpr const char* kLink = "C:\\LINKS\\APP.LNK";
const LinkFields kFields{"C:\\APP\\APP.EXE", "C:\\APP", "/s"};

bool Exists(FileSystem& files, const std::string& path)
{
    std::uint32_t attributes = 0;
    return files.GetAttributes(path, attributes) == kErrorSuccess;
}

TEST(VirtualShellLinksTest, SaveUnderEachFault)
{
    struct Row {
        const char* name;
        LinkSave fault;
        bool denyFolder;
        bool fullDisk;
        LinkSave expected;
        bool written;
        std::vector<std::string> journal;
    };
    const std::string line = std::string("link ") + kLink + " -> " + kFields.target;
    const Row rows[] = {
        {"no fault", {}, false, false, {}, true, {line}},
        {"class missing",
         {Outcome::ClassMissing, static_cast<std::int32_t>(0x80040154)},
         false,
         false,
         {Outcome::ClassMissing, static_cast<std::int32_t>(0x80040154)},
         false,
         {}},
        {"interface missing",
         {Outcome::InterfaceMissing, static_cast<std::int32_t>(0x80004002)},
         false,
         false,
         {Outcome::InterfaceMissing, static_cast<std::int32_t>(0x80004002)},
         false,
         {}},
        // The object's fault comes first: nothing reaches the file system.
        {"class missing in a denied folder",
         {Outcome::ClassMissing, static_cast<std::int32_t>(0x80040154)},
         true,
         false,
         {Outcome::ClassMissing, static_cast<std::int32_t>(0x80040154)},
         false,
         {}},
        {"denied folder", {}, true, false, {}, false, {line + " failed"}},
        {"full disk", {}, false, true, {}, false, {line + " failed"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testing::TestMachine vm;
        ASSERT_EQ(vm.platform.files.CreateFolder("C:\\LINKS"), kErrorSuccess);
        if (row.denyFolder) vm.machine.DenyWrites("C:\\LINKS");
        if (row.fullDisk) vm.machine.SetDisk('C', {8ull << 30, 0});
        vm.machine.SetLinkFault(row.fault);
        const std::size_t journalBefore = vm.machine.Journal().size();

        const LinkSave saved = vm.platform.links.SaveLink(kLink, kFields);
        EXPECT_EQ(saved.outcome, row.expected.outcome);
        EXPECT_EQ(saved.status, row.expected.status);
        EXPECT_EQ(Exists(vm.platform.files, kLink), row.written);
        const auto& all = vm.machine.Journal();
        const std::vector<std::string> journal(all.begin() + static_cast<std::ptrdiff_t>(journalBefore), all.end());
        EXPECT_EQ(journal, row.journal);
    }
}

TEST(VirtualShellLinksTest, FaultHoldsUntilSetBackToSaved)
{
    testing::TestMachine vm;
    ASSERT_EQ(vm.platform.files.CreateFolder("C:\\LINKS"), kErrorSuccess);
    const LinkSave fault{Outcome::ClassMissing, static_cast<std::int32_t>(0x80040154)};
    vm.machine.SetLinkFault(fault);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(vm.platform.links.SaveLink(kLink, kFields).outcome, Outcome::ClassMissing);
        EXPECT_FALSE(Exists(vm.platform.files, kLink));
    }
    vm.machine.SetLinkFault({});
    EXPECT_EQ(vm.platform.links.SaveLink(kLink, kFields).outcome, Outcome::Saved);
    LinkFields read;
    ASSERT_EQ(vm.platform.links.ReadLink(kLink, read), kErrorSuccess);
    EXPECT_EQ(read.target, kFields.target);
}

TEST(VirtualShellLinksTest, RefusedSaveKeepsTheLinkThatWasThere)
{
    testing::TestMachine vm;
    ASSERT_EQ(vm.platform.files.CreateFolder("C:\\LINKS"), kErrorSuccess);
    ASSERT_EQ(vm.platform.links.SaveLink(kLink, kFields).outcome, Outcome::Saved);
    vm.machine.DenyWrites("C:\\LINKS");
    EXPECT_EQ(vm.platform.links.SaveLink(kLink, {"C:\\OTHER.EXE", "", ""}).outcome, Outcome::Saved);
    LinkFields read;
    ASSERT_EQ(vm.platform.links.ReadLink(kLink, read), kErrorSuccess);
    EXPECT_EQ(read.target, kFields.target);
    EXPECT_EQ(read.workingFolder, kFields.workingFolder);
    EXPECT_EQ(read.arguments, kFields.arguments);
}

TEST(VirtualShellLinksTest, MalformedOrUnreadableLinkFailsAndKeepsTheFields)
{
    struct Row {
        const char* name;
        std::string content;
        bool denyRead;
        bool lock;
        ErrorCode expected;
    };
    const Row rows[] = {
        {"well formed", "VIRTUAL-LINK\n3:A.X\n0:\n2:/s\n", false, false, kErrorSuccess},
        {"another kind of file", "MZ", false, false, kErrorInvalidData},
        {"header only", "VIRTUAL-LINK\n", false, false, kErrorInvalidData},
        {"field longer than the file", "VIRTUAL-LINK\n99:A.X\n0:\n2:/s\n", false, false, kErrorInvalidData},
        {"length beyond any number", "VIRTUAL-LINK\n99999999999999999999999:A\n", false, false, kErrorInvalidData},
        {"negative length", "VIRTUAL-LINK\n-1:\n0:\n0:\n", false, false, kErrorInvalidData},
        {"length not a number", "VIRTUAL-LINK\nx:\n0:\n0:\n", false, false, kErrorInvalidData},
        {"field without its line end", "VIRTUAL-LINK\n3:A.X0:\n2:/s\n", false, false, kErrorInvalidData},
        {"a field too few", "VIRTUAL-LINK\n3:A.X\n0:\n", false, false, kErrorInvalidData},
        {"bytes after the last field", "VIRTUAL-LINK\n3:A.X\n0:\n2:/s\nmore", false, false, kErrorInvalidData},
        {"read denied", "VIRTUAL-LINK\n3:A.X\n0:\n2:/s\n", true, false, kErrorAccessDenied},
        {"locked", "VIRTUAL-LINK\n3:A.X\n0:\n2:/s\n", false, true, kErrorSharingViolation},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testing::TestMachine vm;
        vm.Put(kLink, row.content);
        if (row.denyRead) vm.machine.DenyReads("C:\\LINKS");
        if (row.lock) vm.machine.LockFile(kLink);
        LinkFields fields{"kept", "kept", "kept"};
        EXPECT_EQ(vm.platform.links.ReadLink(kLink, fields), row.expected);
        const LinkFields expected =
            row.expected == kErrorSuccess ? LinkFields{"A.X", "", "/s"} : LinkFields{"kept", "kept", "kept"};
        EXPECT_EQ(fields.target, expected.target);
        EXPECT_EQ(fields.workingFolder, expected.workingFolder);
        EXPECT_EQ(fields.arguments, expected.arguments);
    }
}

}  // namespace
}  // namespace lorvel
