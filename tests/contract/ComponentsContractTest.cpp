#include "ContractFixture.h"
#include "util/Szdd.h"

namespace lorvel::contract {
namespace {

using namespace platform;
using Component = ContractEnvironment::Component;

using ComponentsContract = ContractTest;

TEST_F(ComponentsContract, LoadsLibrariesAndCallsTheirEntryPoints)
{
    env->PlaceComponent(Component::Registers, dir + "OK.DLL");
    env->PlaceComponent(Component::RegisterFails, dir + "FAILS.DLL");
    env->PlaceComponent(Component::NoEntryPoints, dir + "NOENTRY.DLL");
    Write("TEXT.DLL", "not a library");
    {
        auto ok = sys.components.Load(dir + "OK.DLL");
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->Call("DllRegisterServer"), 0);
        EXPECT_EQ(env->ComponentState(dir + "OK.DLL"), "registered");
        EXPECT_EQ(ok->Call("DllUnregisterServer"), 0);
        EXPECT_EQ(env->ComponentState(dir + "OK.DLL"), "unregistered");
        EXPECT_EQ(ok->Call("NoSuchEntry"), std::nullopt);
    }
    auto fails = sys.components.Load(dir + "FAILS.DLL");
    ASSERT_NE(fails, nullptr);
    EXPECT_EQ(fails->Call("DllRegisterServer"), 1);
    auto noEntry = sys.components.Load(dir + "NOENTRY.DLL");
    ASSERT_NE(noEntry, nullptr);
    EXPECT_EQ(noEntry->Call("DllRegisterServer"), std::nullopt);
    EXPECT_EQ(sys.components.Load(dir + "TEXT.DLL"), nullptr);
    EXPECT_EQ(sys.components.Load(dir + "MISSING.DLL"), nullptr);
}

TEST_F(ComponentsContract, AComponentIsLoadedOnlyByItsFullPath)
{
    env->PlaceComponent(Component::Registers, dir + "OK.DLL");
    ASSERT_EQ(files.SetCurrentFolder(dir), 0u);
    // Found in the current folder or along the search path, a bare name would load
    // whatever library of that name is found first.
    for (const char* name : {"OK.DLL", ".\\OK.DLL", "OK"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(sys.components.Load(name), nullptr);
    }
    EXPECT_EQ(env->ComponentState(dir + "OK.DLL"), "");
    EXPECT_NE(sys.components.Load(dir + "OK.DLL"), nullptr);
}

TEST_F(ComponentsContract, LzExpandsCompressedFilesAndCopiesPlainOnes)
{
    std::string original;
    for (int i = 0; i < 3000; ++i) original += "line " + std::to_string(i % 50) + "\r\n";
    Write("README.TX_", CompressSzdd(original, 'T'));
    Write("NONAME.TX_", CompressSzdd(original, 0));
    Write("PLAIN.TXT", "plain");
    EXPECT_EQ(sys.lz.ExpandedNameOf(dir + "README.TX_"), dir + "README.TXT");
    EXPECT_EQ(sys.lz.ExpandedNameOf(dir + "NONAME.TX_"), dir + "NONAME.TX");
    EXPECT_EQ(sys.lz.ExpandedNameOf(dir + "PLAIN.TXT"), dir + "PLAIN.TXT");
    EXPECT_EQ(sys.lz.Expand(dir + "README.TX_", dir + "OUT.TXT"), 0u);
    EXPECT_EQ(Read("OUT.TXT"), original);
    EXPECT_EQ(sys.lz.Expand(dir + "PLAIN.TXT", dir + "OUT2.TXT"), 0u);
    EXPECT_EQ(Read("OUT2.TXT"), "plain");
}

TEST_F(ComponentsContract, ExpandedNamesTakeTheCaseOfTheName)
{
    // The stored character is restored in the case of the last letter before "_",
    // whatever case it was stored in; a name without "." keeps its "_".
    struct Row {
        const char* name;
        char stored;
        const char* expected;
    };
    const Row rows[] = {
        {"TESTFILE.XX_", 't', "TESTFILE.XXT"},
        {"testfile.xx_", 't', "testfile.xxt"},
        {"testfile.xx_", 'T', "testfile.xxt"},
        {"TestFile.Xx_", 't', "TestFile.Xxt"},
        {"TestFile.xX_", 't', "TestFile.xXT"},
        {"TESTFILE.12_", 't', "TESTFILE.12T"},
        {"testfile.12_", 'T', "testfile.12t"},
        {"1234.56_", 'X', "1234.56x"},
        {"DIGIT.XX_", '3', "DIGIT.XX3"},
        {"EMPTY.X_", 0, "EMPTY.X"},
        {"NODOT_", 't', "NODOT_"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Write(row.name, CompressSzdd("data", row.stored));
        EXPECT_EQ(sys.lz.ExpandedNameOf(dir + row.name), dir + row.expected);
    }
}

TEST_F(ComponentsContract, ATruncatedCompressedFileIsReported)
{
    std::string original(20000, '\0');
    for (std::size_t i = 0; i < original.size(); ++i) original[i] = static_cast<char>((i * 7919) % 251);
    const std::string compressed = CompressSzdd(original, 'N');
    Write("CUT.BI_", compressed.substr(0, compressed.size() / 2));
    EXPECT_EQ(sys.lz.Expand(dir + "CUT.BI_", dir + "CUT.BIN"), kErrorInvalidData);
    EXPECT_NE(sys.lz.Expand(dir + "MISSING.BI_", dir + "X.BIN"), 0u);
}

TEST_F(ComponentsContract, LocalDosTimesKeepMinutesAndSeconds)
{
    // 2026-01-01 00:00:10 UTC; every time zone keeps the seconds, most the minutes.
    const std::uint64_t fileTime = 134116992000000000ull + 10ull * 10000000ull;
    const std::uint32_t dos = sys.system.ToLocalDosDateTime(fileTime);
    const unsigned year = 1980 + (dos >> 25);
    EXPECT_TRUE(year == 2025 || year == 2026) << year;
    EXPECT_EQ(dos & 0x1F, 5u) << "ten seconds in two-second steps";
    const unsigned minutes = (dos >> 5) & 0x3F;
    EXPECT_TRUE(minutes == 0 || minutes == 30 || minutes == 45) << minutes;
    EXPECT_LT(sys.system.ToLocalDosDateTime(fileTime), sys.system.ToLocalDosDateTime(fileTime + 20000000ull));
    EXPECT_EQ(sys.system.ToLocalDosDateTime(0), 0u) << "1601 is before DOS time begins";
}

}  // namespace
}  // namespace lorvel::contract
