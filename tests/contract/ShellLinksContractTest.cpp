// Links as the shell saves and reads them: what the engine writes is what a reader
// of the link finds, a save over a link replaces it, and a save that cannot land
// leaves nothing behind without the service saying so.
#include "ContractFixture.h"

namespace lorvel::contract {
namespace {

using namespace platform;

using ShellLinksContract = ContractTest;

bool Exists(FileSystem& files, const std::string& path)
{
    std::uint32_t attributes = 0;
    return files.GetAttributes(path, attributes) == kErrorSuccess;
}

void ExpectFields(const LinkFields& read, const LinkFields& expected)
{
    EXPECT_EQ(read.target, expected.target);
    EXPECT_EQ(read.workingFolder, expected.workingFolder);
    EXPECT_EQ(read.arguments, expected.arguments);
}

TEST_F(ShellLinksContract, SavedLinkReadsBackItsThreeFields)
{
    // "表" ends in the byte 0x5C, which a code page other than 932 would take for
    // a path delimiter; the half-width kana of the link name are single bytes above 0x80.
    ASSERT_EQ(files.CreateFolder(dir + "表示"), kErrorSuccess);
    Write("APP.EXE");
    Write("表示\\表示.EXE");
    const std::string folder = dir.substr(0, dir.size() - 1);
    // Every target is an absolute path. Wine turns a target naming a variable
    // ("%WINDIR%\X.EXE") or a relative one into a path under the current folder and
    // gives that back under every flag; Windows keeps a variable in the raw path.
    struct Row {
        const char* name;
        std::string link;
        LinkFields fields;
    };
    const Row rows[] = {
        {"plain target, no folder or arguments", "PLAIN.LNK", {dir + "APP.EXE", "", ""}},
        {"working folder", "FOLDER.LNK", {dir + "APP.EXE", folder, ""}},
        {"arguments with commas and blanks", "ARGS.LNK", {dir + "APP.EXE", folder, "/a, b  c,d \"e f\""}},
        {"arguments longer than a path", "LONG.LNK", {dir + "APP.EXE", "", std::string(300, 'a')}},
        {"Shift-JIS target, folder and link name", "ｱﾌﾟﾘ.lnk", {dir + "表示\\表示.EXE", dir + "表示", "表示"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LinkSave saved = sys.links.SaveLink(dir + row.link, row.fields);
        EXPECT_EQ(saved.outcome, LinkSave::Outcome::Saved);
        EXPECT_EQ(saved.status, 0);
        ASSERT_TRUE(Exists(files, dir + row.link));
        LinkFields read;
        ASSERT_EQ(sys.links.ReadLink(dir + row.link, read), kErrorSuccess);
        ExpectFields(read, row.fields);
    }
}

TEST_F(ShellLinksContract, SavingOverALinkReplacesEveryField)
{
    Write("OLD.EXE");
    Write("NEW.EXE");
    const std::string link = dir + "APP.LNK";
    ASSERT_EQ(sys.links.SaveLink(link, {dir + "OLD.EXE", dir.substr(0, dir.size() - 1), "/old"}).outcome,
              LinkSave::Outcome::Saved);
    // Empty fields too: an empty argument list is not set at all, and must not let
    // the old one through.
    const LinkFields replacement{dir + "NEW.EXE", "", ""};
    ASSERT_EQ(sys.links.SaveLink(link, replacement).outcome, LinkSave::Outcome::Saved);
    LinkFields read;
    ASSERT_EQ(sys.links.ReadLink(link, read), kErrorSuccess);
    ExpectFields(read, replacement);
}

TEST_F(ShellLinksContract, SaveIntoAMissingFolderLeavesNoFileAndIsNotReported)
{
    Write("APP.EXE");
    const std::string link = dir + "MISSING\\APP.LNK";
    const LinkSave saved = sys.links.SaveLink(link, {dir + "APP.EXE", "", ""});
    EXPECT_EQ(saved.outcome, LinkSave::Outcome::Saved);
    EXPECT_FALSE(Exists(files, link));
    EXPECT_FALSE(Exists(files, dir + "MISSING"));
}

TEST_F(ShellLinksContract, ReadingWhatIsNoLinkFailsAndKeepsTheFields)
{
    ASSERT_EQ(files.CreateFolder(dir + "FOLDER.LNK"), kErrorSuccess);
    Write("EMPTY.LNK", "");
    Write("TEXT.LNK", "[InternetShortcut]\r\nURL=file:///C:/\r\n");
    struct Row {
        const char* name;
        std::string path;
    };
    const Row rows[] = {
        {"missing file", dir + "MISSING.LNK"}, {"missing folder", dir + "MISSING\\APP.LNK"},
        {"empty file", dir + "EMPTY.LNK"},     {"text file", dir + "TEXT.LNK"},
        {"folder", dir + "FOLDER.LNK"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LinkFields fields{"kept target", "kept folder", "kept arguments"};
        EXPECT_NE(sys.links.ReadLink(row.path, fields), kErrorSuccess);
        ExpectFields(fields, {"kept target", "kept folder", "kept arguments"});
    }
}

}  // namespace
}  // namespace lorvel::contract
