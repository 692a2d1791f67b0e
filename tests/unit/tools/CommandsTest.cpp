#include "Commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "../VirtualMachineFixture.h"
#include "util/Szdd.h"

namespace lorvel::tool {
namespace {

struct CommandsTest : ::testing::Test {
    lorvel::testing::ScratchFolder scratch;
    std::ostringstream out;
    std::ostringstream err;

    fs::path Put(const std::string& name, const std::string& bytes)
    {
        const fs::path path = scratch.Path() / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string Get(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The folder's names, so a test can tell nothing stray was left.
    std::string Listing()
    {
        std::string names;
        for (const auto& entry : fs::directory_iterator(scratch.Path()))
            names += entry.path().filename().string() + " ";
        return names;
    }
};

std::string Random(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() % 7 ? 'a' + generator() % 4 : generator() % 256);
    return bytes;
}

TEST_F(CommandsTest, CompressAndExpandGiveTheFileBackUnderItsName)
{
    struct Row {
        std::string name;
        std::string compressed;
        std::string content;
    };
    const Row rows[] = {
        {"README.TXT", "README.TX_", "text\r\n"},
        {"readme.txt", "readme.tx_", Random(70000, 1)},
        {"APP.DB", "APP.DB_", ""},
        {"PAGE.HTML", "PAGE.HTM_", Random(5000, 2)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path original = Put("in/" + row.name, row.content);
        ASSERT_EQ(RunCompress({original, {}, false}, out, err), kExitClean) << err.str();
        const fs::path compressed = scratch.Path() / "in" / row.compressed;
        ASSERT_TRUE(fs::exists(compressed));
        fs::remove(original);
        ASSERT_EQ(RunExpand({compressed, {}, false}, out, err), kExitClean) << err.str();
        EXPECT_EQ(Get(original), row.content);
        fs::remove_all(scratch.Path() / "in");
    }
}

TEST_F(CommandsTest, BadInputIsRefusedAndNothingIsLeft)
{
    const fs::path plain = Put("PLAIN.TXT", "plain");
    const fs::path bare = Put("README", "no extension");
    const std::string packed = CompressSzdd(Random(20000, 3), 'N');
    const fs::path cut = Put("CUT.BI_", packed.substr(0, packed.size() / 2));
    const fs::path noDot = Put("NODOT_", CompressSzdd("x", 'T'));
    Put("TAKEN.TX_", "already here");
    const fs::path taken = Put("TAKEN.TXT", "new");
    struct Row {
        const char* what;
        int code;
        const char* mentions;
    };
    const Row rows[] = {
        {"expand a plain file", RunExpand({plain, {}, false}, out, err), "not a compressed file"},
        {"compress a name without extension", RunCompress({bare, {}, false}, out, err), "--output"},
        {"expand a truncated file", RunExpand({cut, {}, false}, out, err), "truncated"},
        {"expand a name the platform keeps", RunExpand({noDot, {}, false}, out, err), "--output"},
        {"compress over an existing file", RunCompress({taken, {}, false}, out, err), "--force"},
        {"compress a missing file", RunCompress({scratch.Path() / "NONE.TXT", {}, false}, out, err), "no such file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.code, kExitError);
        EXPECT_NE(err.str().find(row.mentions), std::string::npos) << err.str();
    }
    EXPECT_EQ(Get(scratch.Path() / "TAKEN.TX_"), "already here");
    EXPECT_EQ(Get(scratch.Path() / "CUT.BIN"), "<missing>");
    EXPECT_EQ(Listing().find(".tmp"), std::string::npos) << Listing();
    EXPECT_EQ(RunCompress({taken, {}, true}, out, err), kExitClean);
    std::string back;
    EXPECT_EQ(ExpandSzdd(Get(scratch.Path() / "TAKEN.TX_"), back), SzddResult::Expanded);
    EXPECT_EQ(back, "new");
    EXPECT_EQ(RunCompress({bare, scratch.Path() / "README.Z_", false}, out, err), kExitClean);
}

TEST_F(CommandsTest, CheckExitStatusAndCompilerStyleLines)
{
    struct Row {
        std::string script;
        bool werror;
        int code;
        std::string line;
    };
    const Row rows[] = {
        {"[CopyFile]\nFile1=(App)A.TXT\n", false, kExitClean, "SETUP.INI: no problems found"},
        {"[Title]\nSetup=a\nsetup=b\n", false, kExitWarnings, "SETUP.INI:3:1: warning: key setup appears again"},
        {"[Title]\nSetup=a\nsetup=b\n", true, kExitError, "SETUP.INI:3:1: error: key setup appears again"},
        {"[CopyFile]\nFile1=(App)B.TXT\n", false, kExitError,
         "SETUP.INI:2:1: error: File1: B.TXT is not on the medium"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.script);
        fs::remove_all(scratch.Path() / "m");
        Put("m/SETUP.INI", row.script);
        Put("m/a.txt", "x");  // found whatever its case, as on Windows
        out.str("");
        EXPECT_EQ(RunCheck({scratch.Path() / "m", row.werror}, out, err), row.code);
        EXPECT_NE(out.str().find(row.line), std::string::npos) << out.str();
    }
    EXPECT_EQ(RunCheck({scratch.Path() / "nothing", false}, out, err), kExitError);
    EXPECT_NE(err.str().find("no such file or folder"), std::string::npos);
}

TEST_F(CommandsTest, CheckFindsEachDiskOfAPackedMedium)
{
    Put("p/DISK1/SETUP.INI", "[CopyFile]\nFile1=(App)A.TXT\nFile2=(Dch)(App)B.TXT\nFile3=(Dch)(App)C.TXT\n");
    Put("p/DISK1/A.TXT", "a");
    Put("p/DISK2/B.TXT", "b");
    Put("p/DISK2/C.TXT", "c on the wrong disk");
    for (const fs::path& given :
         {scratch.Path() / "p", scratch.Path() / "p" / "DISK1", scratch.Path() / "p/DISK1/SETUP.INI"}) {
        SCOPED_TRACE(given.string());
        out.str("");
        EXPECT_EQ(RunCheck({given, false}, out, err), kExitError);
        EXPECT_NE(out.str().find(":4:1: error: File3: C.TXT is not on disk 3"), std::string::npos) << out.str();
        EXPECT_EQ(out.str().find("B.TXT"), std::string::npos) << out.str();
    }
}

}  // namespace
}  // namespace lorvel::tool
