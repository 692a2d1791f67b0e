#include <functional>
#include <set>

#include "ContractFixture.h"
#include "util/ShiftJisText.h"

namespace lorvel::contract {
namespace {

using namespace platform;

using FileSystemContract = ContractTest;

std::set<std::string> Names(const std::vector<FindEntry>& entries)
{
    std::set<std::string> names;
    for (const auto& e : entries) names.insert(e.name);
    return names;
}

TEST_F(FileSystemContract, FolderCreationAndRemovalCodes)
{
    EXPECT_EQ(files.CreateFolder(dir + "NEW"), 0u);
    EXPECT_EQ(files.CreateFolder(dir + "NEW"), kErrorAlreadyExists);
    EXPECT_EQ(files.CreateFolder(dir + "MISSING\\NEW"), kErrorPathNotFound);
    Write("NEW\\A.TXT");
    EXPECT_EQ(files.RemoveFolder(dir + "NEW"), kErrorDirNotEmpty);
    EXPECT_EQ(files.RemoveFile(dir + "NEW\\A.TXT"), 0u);
    EXPECT_EQ(files.RemoveFolder(dir + "NEW\\"), 0u);
    EXPECT_EQ(files.RemoveFolder(dir + "NEW"), kErrorFileNotFound);
    EXPECT_EQ(files.RemoveFolder(dir + "MISSING\\NEW"), kErrorPathNotFound);
}

TEST_F(FileSystemContract, TheCurrentFolderIsTheOneSet)
{
    ASSERT_EQ(files.CreateFolder(dir + "CUR"), 0u);
    EXPECT_EQ(files.SetCurrentFolder(dir + "CUR\\"), 0u);
    EXPECT_EQ(UpperCase(files.GetCurrentFolder()), UpperCase(dir + "CUR"));
    EXPECT_NE(files.SetCurrentFolder(dir + "MISSING\\"), 0u);
    EXPECT_EQ(UpperCase(files.GetCurrentFolder()), UpperCase(dir + "CUR")) << "a failed change keeps the folder";
    Write("CUR.TXT");
    EXPECT_NE(files.SetCurrentFolder(dir + "CUR.TXT"), 0u);
    EXPECT_EQ(files.SetCurrentFolder(dir), 0u);
}

TEST_F(FileSystemContract, CopyCodes)
{
    Write("SRC.TXT", "source");
    Write("DST.TXT", "old");
    struct Row {
        std::string from, to;
        bool failIfExists;
        ErrorCode expected;
    };
    const Row rows[] = {
        {"MISSING.TXT", "B.TXT", false, kErrorFileNotFound},
        {"NOFOLDER\\A.TXT", "B.TXT", false, kErrorPathNotFound},
        {"SRC.TXT", "NOFOLDER\\B.TXT", false, kErrorPathNotFound},
        {"SRC.TXT", "DST.TXT", true, kErrorFileExists},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.from + " -> " + row.to);
        EXPECT_EQ(files.Copy(dir + row.from, dir + row.to, row.failIfExists), row.expected);
    }
    EXPECT_EQ(Read("DST.TXT"), "old");
    EXPECT_EQ(files.Copy(dir + "SRC.TXT", dir + "DST.TXT", false), 0u);
    EXPECT_EQ(Read("DST.TXT"), "source");
}

TEST_F(FileSystemContract, CopyOverAReadOnlyFileIsDeniedUntilTheAttributeIsCleared)
{
    Write("SRC.TXT", "new");
    Write("RO.TXT", "old");
    ASSERT_EQ(files.SetAttributes(dir + "RO.TXT", attr::kReadOnly), 0u);
    // Windows refuses to copy over a read-only file; Wine 8 copies over it.
    if (!env->UnderWine()) {
        EXPECT_EQ(files.Copy(dir + "SRC.TXT", dir + "RO.TXT", false), kErrorAccessDenied);
    }
    EXPECT_EQ(files.RemoveFile(dir + "RO.TXT"), kErrorAccessDenied);
    EXPECT_EQ(files.WriteWholeFile(dir + "RO.TXT", "other"), kErrorAccessDenied);
    EXPECT_EQ(Read("RO.TXT"), "old");
    ASSERT_EQ(files.SetAttributes(dir + "RO.TXT", attr::kArchive), 0u);
    EXPECT_EQ(files.Copy(dir + "SRC.TXT", dir + "RO.TXT", false), 0u);
    EXPECT_EQ(Read("RO.TXT"), "new");
}

TEST_F(FileSystemContract, CopyKeepsTheSourceTimeAndReadOnlyAttribute)
{
    Write("SRC.TXT", "12345");
    ASSERT_EQ(files.SetAttributes(dir + "SRC.TXT", attr::kReadOnly), 0u);
    ASSERT_EQ(files.Copy(dir + "SRC.TXT", dir + "COPY.TXT", false), 0u);
    const auto source = files.Stat(dir + "SRC.TXT");
    const auto copy = files.Stat(dir + "COPY.TXT");
    ASSERT_TRUE(source && copy);
    EXPECT_EQ(copy->lastWriteTime, source->lastWriteTime);
    EXPECT_EQ(copy->size, 5u);
    EXPECT_NE(copy->attributes & attr::kReadOnly, 0u);
    files.SetAttributes(dir + "SRC.TXT", attr::kArchive);
    files.SetAttributes(dir + "COPY.TXT", attr::kArchive);
}

TEST_F(FileSystemContract, OneQueryTellsWhatTheSearchTells)
{
    Write("Q.TXT", "1234567");
    ASSERT_EQ(files.CreateFolder(dir + "QDIR"), 0u);
    ASSERT_EQ(files.SetAttributes(dir + "Q.TXT", attr::kReadOnly | attr::kArchive), 0u);
    for (const std::string name : {"Q.TXT", "q.txt", "QDIR"}) {
        SCOPED_TRACE(name);
        FindEntry queried;
        ASSERT_EQ(files.QueryFile(dir + name, queried), 0u);
        std::vector<FindEntry> found;
        ASSERT_EQ(files.FindEntries(dir + name, found), 0u);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(queried.attributes, found[0].attributes);
        EXPECT_EQ(queried.size, found[0].size);
        EXPECT_EQ(queried.lastWriteTime, found[0].lastWriteTime);
    }
    FindEntry info;
    EXPECT_EQ(files.QueryFile(dir + "MISSING.TXT", info), kErrorFileNotFound);
    EXPECT_EQ(files.QueryFile(dir + "NOFOLDER\\A.TXT", info), kErrorPathNotFound);
    EXPECT_NE(files.QueryFile(dir + "Q*.TXT", info), 0u) << "a pattern is no file";
    files.SetAttributes(dir + "Q.TXT", attr::kArchive);
}

TEST_F(FileSystemContract, NamesCompareWithoutCaseAndKeepTheirSpelling)
{
    Write("MixedCase.Txt", "abc");
    std::uint32_t attributes = 0;
    EXPECT_EQ(files.GetAttributes(dir + "MIXEDCASE.TXT", attributes), 0u);
    EXPECT_EQ(Read("mixedcase.txt"), "abc");
    std::vector<FindEntry> entries;
    ASSERT_EQ(files.FindEntries(dir + "MIXED*", entries), 0u);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "MixedCase.Txt");
    EXPECT_EQ(files.Copy(dir + "MIXEDCASE.TXT", dir + "mixedcase.txt", false), kErrorSharingViolation)
        << "copying a file onto itself";
}

TEST_F(FileSystemContract, ShiftJisNamesWithABackslashTrailByteRoundTrip)
{
    const std::string name = "\x95\x5C\x8E\xA6.txt";  // a name whose first trail byte is 0x5C
    Write(name, "hyouji");
    EXPECT_EQ(Read(name), "hyouji");
    std::vector<FindEntry> entries;
    ASSERT_EQ(files.FindEntries(dir + "*.txt", entries), 0u);
    EXPECT_EQ(Names(entries).count(name), 1u);
}

// Bytes that are no Shift-JIS have no UTF-16 form, and the system's answer to such
// a name is ERROR_NO_UNICODE_TRANSLATION: a near name (the lone lead byte dropped or
// made a default character) would be another file.
TEST_F(FileSystemContract, BytesThatAreNoShiftJisNameNoFile)
{
    Write("KEEP.TXT", "kept");
    const std::string names[] = {
        "A\x81",         // a lead byte without its trail
        "\x81\x20.TXT",  // a lead byte before a byte that cannot trail
        "\x88\x7F.TXT",
        "SUB\x81\x20\\A.TXT",  // in a folder's name
    };
    using Operation = std::function<ErrorCode(const std::string& path)>;
    struct Row {
        const char* name;
        Operation operation;
    };
    std::uint32_t attributes = 0;
    FindEntry info;
    std::vector<FindEntry> entries;
    std::string bytes;
    const Row operations[] = {
        {"CreateFolder", [&](const std::string& p) { return files.CreateFolder(p); }},
        {"RemoveFolder", [&](const std::string& p) { return files.RemoveFolder(p); }},
        {"SetCurrentFolder", [&](const std::string& p) { return files.SetCurrentFolder(p); }},
        {"Copy from", [&](const std::string& p) { return files.Copy(p, dir + "COPY.TXT", false); }},
        {"Copy to", [&](const std::string& p) { return files.Copy(dir + "KEEP.TXT", p, false); }},
        {"RemoveFile", [&](const std::string& p) { return files.RemoveFile(p); }},
        {"GetAttributes", [&](const std::string& p) { return files.GetAttributes(p, attributes); }},
        {"QueryFile", [&](const std::string& p) { return files.QueryFile(p, info); }},
        {"SetAttributes", [&](const std::string& p) { return files.SetAttributes(p, attr::kArchive); }},
        {"FindEntries", [&](const std::string& p) { return files.FindEntries(p, entries); }},
        {"FindEntries pattern", [&](const std::string& p) { return files.FindEntries(p + "*", entries); }},
        {"ReadWholeFile", [&](const std::string& p) { return files.ReadWholeFile(p, bytes); }},
        {"WriteWholeFile", [&](const std::string& p) { return files.WriteWholeFile(p, "x"); }},
    };
    for (const std::string& name : names) {
        for (const Row& row : operations) {
            SCOPED_TRACE(std::string(row.name) + " " + name);
            EXPECT_EQ(row.operation(dir + name), kErrorNoUnicodeTranslation);
        }
    }
    ASSERT_EQ(files.FindEntries(dir + "*", entries), 0u);
    EXPECT_EQ(Names(entries), (std::set<std::string>{".", "..", "KEEP.TXT"})) << "nothing made in a near name";
    EXPECT_EQ(Read("KEEP.TXT"), "kept");
}

// A name the program's Shift-JIS has no form for is left out of a search: a near
// name in its place would be another file ("Y<U+00A5>N.TXT" read as "Y\N.TXT" is
// N.TXT in folder Y), and failing the search would hide the names beside it.
TEST_F(FileSystemContract, NamesWithNoShiftJisFormAreLeftOutOfASearch)
{
    Write("KEEP.TXT");
    const char* const utf8Names[] = {
        "Y\xC2\xA5N.TXT",        // U+00A5 YEN SIGN, whose best fit is "\"
        "O\xE2\x80\xBEL.TXT",    // U+203E OVERLINE, whose best fit is "~"
        "CAF\xC3\xA9.TXT",       // U+00E9
        "\xED\x95\x9C.TXT",      // U+D55C, a Hangul syllable
        "\xF0\x9F\x98\x80.TXT",  // U+1F600, beyond the first plane
    };
    for (const char* name : utf8Names) ASSERT_TRUE(env->PlaceFileNamedInUtf8(dir, name)) << name;
    std::vector<FindEntry> entries;
    ASSERT_EQ(files.FindEntries(dir + "*", entries), 0u);
    EXPECT_EQ(Names(entries), (std::set<std::string>{".", "..", "KEEP.TXT"}));
    ASSERT_EQ(files.FindEntries(dir + "*.TXT", entries), 0u);
    EXPECT_EQ(Names(entries), (std::set<std::string>{"KEEP.TXT"}));
    EXPECT_EQ(files.FindEntries(dir + "Y*", entries), kErrorFileNotFound) << "as when nothing matches";
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(files.Exists(dir + "Y")) << "no folder read into the yen sign";
}

TEST_F(FileSystemContract, DirectorySearch)
{
    ASSERT_EQ(files.CreateFolder(dir + "EMPTY"), 0u);
    Write("FILE.TXT");
    std::vector<FindEntry> entries;
    EXPECT_EQ(files.FindEntries(dir + "EMPTY\\*.*", entries), 0u) << "an empty folder lists its dot entries";
    EXPECT_EQ(Names(entries), (std::set<std::string>{".", ".."}));
    EXPECT_EQ(files.FindEntries(dir + "MISSING\\*.*", entries), kErrorPathNotFound);
    EXPECT_NE(files.FindEntries(dir + "FILE.TXT\\*.*", entries), 0u);
    EXPECT_EQ(files.FindEntries(dir + "*.NONE", entries), kErrorFileNotFound);
    ASSERT_EQ(files.FindEntries(dir + "EMPTY", entries), 0u);
    EXPECT_NE(entries[0].attributes & attr::kDirectory, 0u);
    // A drive root has no dot entries but lists what it holds.
    ASSERT_EQ(files.FindEntries("C:\\*.*", entries), 0u);
    EXPECT_EQ(Names(entries).count("."), 0u);
    EXPECT_FALSE(entries.empty());
    std::uint32_t attributes = 0;
    ASSERT_EQ(files.GetAttributes("C:\\", attributes), 0u);
    EXPECT_NE(attributes & attr::kDirectory, 0u);
}

TEST_F(FileSystemContract, ShellDeleteRemovesWildcardSetsWithFolders)
{
    Write("A.TXT");
    Write("B.DAT");
    ASSERT_EQ(files.CreateFolder(dir + "SUB"), 0u);
    ASSERT_EQ(files.CreateFolder(dir + "SUB\\DEEP"), 0u);
    Write("SUB\\DEEP\\C.TXT");
    EXPECT_EQ(files.ShellDelete(dir + "*.NONE"), 0u) << "a wildcard without a match";
    EXPECT_EQ(files.ShellDelete(dir + "MISSING.TXT"), kErrorFileNotFound);
    EXPECT_EQ(files.ShellDelete(dir + "*.TXT"), 0u);
    EXPECT_FALSE(files.Exists(dir + "A.TXT"));
    EXPECT_TRUE(files.Exists(dir + "B.DAT"));
    EXPECT_EQ(files.ShellDelete(dir + "*.*"), 0u);
    std::vector<FindEntry> entries;
    files.FindEntries(dir + "*.*", entries);
    EXPECT_EQ(Names(entries), (std::set<std::string>{".", ".."}));
    ASSERT_EQ(files.CreateFolder(dir + "TREE"), 0u);
    Write("TREE\\X.TXT");
    EXPECT_EQ(files.ShellDelete(dir + "TREE"), 0u) << "a folder goes with its content";
    EXPECT_FALSE(files.Exists(dir + "TREE"));
}

// Another program of the user can put a link where a copy only creates: the copy
// meets it as something there, whatever it names. The system's own copy would follow
// a link to nothing and create the file it names, wherever that is.
TEST_F(FileSystemContract, ACopyThatOnlyCreatesMeetsALinkAsSomethingThere)
{
    Write("SOURCE.TXT", "new");
    Write("KEEP.TXT", "keep");
    env->MakeFileLink(dir + "TO-KEEP.TXT", dir + "KEEP.TXT");
    // Wine sees a link to nothing only once it is one: made to a file, then the file goes.
    Write("NOTHING.TXT", "gone");
    env->MakeFileLink(dir + "TO-NOTHING.TXT", dir + "NOTHING.TXT");
    ASSERT_EQ(files.RemoveFile(dir + "NOTHING.TXT"), 0u);
    EXPECT_EQ(files.Copy(dir + "SOURCE.TXT", dir + "TO-KEEP.TXT", true), kErrorFileExists);
    EXPECT_EQ(Read("KEEP.TXT"), "keep");
    EXPECT_EQ(files.Copy(dir + "SOURCE.TXT", dir + "TO-NOTHING.TXT", true), kErrorFileExists);
    EXPECT_FALSE(files.Exists(dir + "NOTHING.TXT"));
    // Wine 8 tells a link to a file as the file it names; Windows as a reparse point,
    // which is how the install knows not to replace through it.
    if (env->UnderWine()) return;
    std::uint32_t attributes = 0;
    ASSERT_EQ(files.GetAttributes(dir + "TO-KEEP.TXT", attributes), 0u);
    EXPECT_NE(attributes & attr::kReparsePoint, 0u);
}

// Another account can put a link or a folder under any name it can guess beside a
// file the program writes whole (a log, the record): the write takes none of them,
// and what a link names is never written.
TEST_F(FileSystemContract, AWholeFileWriteTakesNoNameSomebodyPutThereFirst)
{
    Write("KEEP.TXT", "keep");
    env->MakeFileLink(dir + "LOG.TXT.~tmp", dir + "KEEP.TXT");
    EXPECT_EQ(files.WriteWholeFile(dir + "LOG.TXT", "log"), 0u);
    EXPECT_EQ(files.WriteWholeFile(dir + "LOG.TXT", "log, again"), 0u);
    EXPECT_EQ(Read("KEEP.TXT"), "keep");
    EXPECT_EQ(Read("LOG.TXT"), "log, again");
    ASSERT_EQ(files.CreateFolder(dir + "RECORD.INI.~tmp"), 0u);
    EXPECT_EQ(files.WriteWholeFile(dir + "RECORD.INI", "record"), 0u);
    EXPECT_EQ(Read("RECORD.INI"), "record");
    std::vector<FindEntry> left;
    EXPECT_EQ(files.FindEntries(dir + "*.~*.tmp", left), kErrorFileNotFound) << "no temporary file left behind";
}

// A file written in pieces for the program's own use is made new, grows at its end,
// and never writes through a link that somebody put at its name.
TEST_F(FileSystemContract, AFileWrittenInPiecesIsNewAndNeverALink)
{
    Write("KEEP.TXT", "keep");
    env->MakeFileLink(dir + "LINKED.BIN", dir + "KEEP.TXT");
    struct Row {
        const char* name;
        ErrorCode created;
    };
    const Row rows[] = {{"NEW.BIN", 0u}, {"KEEP.TXT", kErrorFileExists}, {"LINKED.BIN", kErrorFileExists}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(files.CreateNewFile(dir + row.name, "ab"), row.created);
    }
    EXPECT_EQ(files.AppendToFile(dir + "NEW.BIN", std::string("c\0d", 3)), 0u);
    EXPECT_EQ(Read("NEW.BIN"), std::string("abc\0d", 5));
    // Wine 8 shows a link to a file as the file it names, by path and by handle; the
    // program appends only to files it has just made new in its private work folder,
    // where no other account can put a link.
    if (!env->UnderWine()) {
        EXPECT_NE(files.AppendToFile(dir + "LINKED.BIN", "x"), 0u);
        EXPECT_EQ(Read("KEEP.TXT"), "keep") << "nothing went through the link";
    }

    std::string bytes;
    EXPECT_EQ(files.ReadFileRange(dir + "NEW.BIN", 1, 3, bytes), 0u);
    EXPECT_EQ(bytes, std::string("bc\0", 3));
    EXPECT_EQ(files.ReadFileRange(dir + "NEW.BIN", 3, 100, bytes), 0u);
    EXPECT_EQ(bytes, std::string("\0d", 2)) << "fewer where the file ends";
    EXPECT_EQ(files.ReadFileRange(dir + "NEW.BIN", 9, 4, bytes), 0u);
    EXPECT_EQ(bytes, "");
}

// A file read whole is read within a bound kept on the bytes read, so that no file,
// however it grows, can exhaust the program's memory.
TEST_F(FileSystemContract, AWholeFileReadKeepsItsBound)
{
    struct Row {
        std::size_t size;
        std::uint64_t limit;
        ErrorCode expected;
    };
    const Row rows[] = {{10, 10, 0u}, {11, 10, kErrorFileTooLarge}, {300000, 1u << 20, 0u}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        const std::string content(row.size, 'b');
        Write("BOUND.BIN", content);
        std::string bytes = "left from before";
        EXPECT_EQ(files.ReadWholeFile(dir + "BOUND.BIN", bytes, row.limit), row.expected);
        EXPECT_EQ(bytes, row.expected == 0u ? content : std::string());
    }
}

// Another program of the user can put a link where the program deletes; what the
// link names must survive every way of deleting.
TEST_F(FileSystemContract, ALinkIsReportedAndDeletedAsALinkNeverEntered)
{
    ASSERT_EQ(files.CreateFolder(dir + "TARGET"), 0u);
    ASSERT_EQ(files.CreateFolder(dir + "TARGET\\SUB"), 0u);
    Write("TARGET\\KEEP.TXT", "keep");
    Write("TARGET\\SUB\\DEEP.TXT", "deep");
    ASSERT_EQ(files.CreateFolder(dir + "HOLDER"), 0u);
    ASSERT_EQ(files.CreateFolder(dir + "HOLDER\\INNER"), 0u);
    Write("HOLDER\\A.TXT");
    env->MakeFolderLink(dir + "LINK", dir + "TARGET");
    env->MakeFolderLink(dir + "HOLDER\\LINK", dir + "TARGET");
    env->MakeFolderLink(dir + "HOLDER\\INNER\\LINK", dir + "TARGET\\SUB");

    std::uint32_t attributes = 0;
    ASSERT_EQ(files.GetAttributes(dir + "LINK", attributes), 0u);
    EXPECT_EQ(attributes & (attr::kReparsePoint | attr::kDirectory), attr::kReparsePoint | attr::kDirectory);
    std::vector<FindEntry> entries;
    ASSERT_EQ(files.FindEntries(dir + "L*", entries), 0u);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].attributes & attr::kReparsePoint, 0u);
    EXPECT_EQ(Read("LINK\\KEEP.TXT"), "keep") << "a path through the link reaches the target";

    const auto targetIntact = [&] {
        EXPECT_EQ(Read("TARGET\\KEEP.TXT"), "keep");
        EXPECT_EQ(Read("TARGET\\SUB\\DEEP.TXT"), "deep");
    };
    EXPECT_EQ(files.ShellDelete(dir + "LINK\\*.*"), kErrorAccessDenied) << "no wildcard inside a link";
    targetIntact();
    // Wine 8 cannot remove a link to a folder at all (it looks into the target and
    // finds it not empty), so there the links stay; Windows takes them away.
    const bool removesLinks = !env->UnderWine();
    const ErrorCode holderContent = files.ShellDelete(dir + "HOLDER\\*.*");
    targetIntact();
    EXPECT_FALSE(files.Exists(dir + "HOLDER\\A.TXT")) << "a wildcard over a folder holding links";
    if (removesLinks) {
        EXPECT_EQ(holderContent, 0u);
        EXPECT_FALSE(files.Exists(dir + "HOLDER\\LINK"));
        EXPECT_FALSE(files.Exists(dir + "HOLDER\\INNER"));
        env->MakeFolderLink(dir + "HOLDER\\LINK", dir + "TARGET");
    }
    const ErrorCode holder = files.ShellDelete(dir + "HOLDER");
    targetIntact();
    if (removesLinks) {
        EXPECT_EQ(holder, 0u) << "a folder with its content";
        EXPECT_FALSE(files.Exists(dir + "HOLDER"));
    }
    const ErrorCode link = files.RemoveFolder(dir + "LINK");
    targetIntact();
    if (removesLinks) {
        EXPECT_EQ(link, 0u) << "a link goes, though its target is not empty";
        EXPECT_FALSE(files.Exists(dir + "LINK"));
        env->MakeFolderLink(dir + "LINK", dir + "TARGET");
    }
    const ErrorCode named = files.ShellDelete(dir + "LINK");
    targetIntact();
    if (removesLinks) {
        EXPECT_EQ(named, 0u) << "the link named itself";
        EXPECT_FALSE(files.Exists(dir + "LINK"));
    }
}

TEST_F(FileSystemContract, APrivateFolderIsNewAndOpenToTheProgramsAccountAlone)
{
    ASSERT_EQ(files.CreatePrivateFolder(dir + "MINE"), 0u);
    const std::vector<std::string> trustees = env->FolderTrustees(dir + "MINE");
    ASSERT_FALSE(trustees.empty());
    for (const std::string& sid : trustees) {
        SCOPED_TRACE(sid);
        // Administrators, SYSTEM, or one user's own account; never a group that other
        // programs of lesser rights run as (Everyone, Users, Authenticated Users, ...).
        const bool own = sid == "S-1-5-32-544" || sid == "S-1-5-18" || sid.rfind("S-1-5-21-", 0) == 0;
        EXPECT_TRUE(own);
    }
    Write("MINE\\FILE.TXT", "inside");
    EXPECT_EQ(Read("MINE\\FILE.TXT"), "inside") << "the program itself uses it";

    ASSERT_EQ(files.CreateFolder(dir + "TAKEN"), 0u);
    Write("FILE");
    ASSERT_EQ(files.CreateFolder(dir + "ELSEWHERE"), 0u);
    env->MakeFolderLink(dir + "LINKED", dir + "ELSEWHERE");
    for (const char* taken : {"TAKEN", "FILE", "LINKED", "MINE"}) {
        SCOPED_TRACE(taken);
        EXPECT_EQ(files.CreatePrivateFolder(dir + taken), kErrorAlreadyExists);
    }
    EXPECT_EQ(files.CreatePrivateFolder(dir + "MISSING\\NEW"), kErrorPathNotFound);
}

TEST_F(FileSystemContract, WholeFileWriteReplacesAndKeepsBinaryContent)
{
    const std::string binary("\0\x01\xFF\r\n\x1A tail", 10);
    Write("BIN.DAT", binary);
    EXPECT_EQ(Read("BIN.DAT"), binary);
    Write("BIN.DAT", "short");
    EXPECT_EQ(Read("BIN.DAT"), "short");
    Write("EMPTY.DAT", "");
    EXPECT_EQ(Read("EMPTY.DAT"), "");
    EXPECT_EQ(files.WriteWholeFile(dir + "MISSING\\A.DAT", "x"), kErrorPathNotFound);
    std::string bytes;
    EXPECT_EQ(files.ReadWholeFile(dir + "NONE.DAT", bytes), kErrorFileNotFound);
    std::vector<FindEntry> entries;
    files.FindEntries(dir + "*.*", entries);
    EXPECT_EQ(Names(entries), (std::set<std::string>{".", "..", "BIN.DAT", "EMPTY.DAT"})) << "no temporary left";
}

TEST_F(FileSystemContract, DiskSpaceByBothQueries)
{
    ASSERT_TRUE(files.HasDiskSpaceEx());
    DiskSpace space;
    ASSERT_EQ(files.QueryDiskSpaceEx("C:\\", space), 0u);
    EXPECT_GT(space.total, 0u);
    EXPECT_LE(space.freeToCaller, space.total);
    DiskGeometry geometry;
    ASSERT_EQ(files.QueryDiskSpace("C:\\", geometry), 0u);
    EXPECT_GT(geometry.bytesPerSector, 0u);
    EXPECT_GT(geometry.sectorsPerCluster, 0u);
    EXPECT_LE(geometry.freeClusters, geometry.totalClusters);
}

}  // namespace
}  // namespace lorvel::contract
