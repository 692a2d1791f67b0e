#include "Pack.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "../VirtualMachineFixture.h"
#include "Commands.h"
#include "HostText.h"
#include "ScriptCheck.h"
#include "ZipWriter.h"
#include "util/ProfileDocument.h"
#include "util/Szdd.h"

namespace lorvel::tool {
namespace {

std::string Noise(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator());
    return bytes;
}

std::string Text(std::size_t size)
{
    std::string text;
    for (int i = 0; text.size() < size; ++i) text += "line " + std::to_string(i % 97) + " of the file\r\n";
    text.resize(size);
    return text;
}

struct PackTest : ::testing::Test {
    lorvel::testing::ScratchFolder scratch;
    std::ostringstream out;
    std::ostringstream err;
    fs::path sources = scratch.Path() / "src";
    fs::path medium = scratch.Path() / "medium";

    void Put(const fs::path& path, const std::string& bytes)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string Get(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    PackOptions Options(std::uint64_t diskSize = 0, CompressMode mode = CompressMode::Auto)
    {
        PackOptions options;
        options.script = scratch.Path() / "SETUP.INI";
        options.sources = sources;
        options.output = medium;
        options.diskSize = diskSize;
        options.compress = mode;
        return options;
    }
    std::string Listing(const fs::path& folder)
    {
        std::string names;
        for (const auto& entry : fs::directory_iterator(folder)) names += entry.path().filename().string() + " ";
        return names;
    }
};

TEST_F(PackTest, WhatItPacksExpandsBackOnTheRightDiskWithinCapacity)
{
    // Eight files of mixed kinds: text compresses, noise does not, and together they
    // need three disks of 48K.
    const std::vector<std::pair<std::string, std::string>> files = {{"README.TXT", Text(3000)},
                                                                    {"APP.EXE", Text(20000) + Noise(9000, 1)},
                                                                    {"DATA.BIN", Noise(30000, 2)},
                                                                    {"HELP.HLP", Text(40000)},
                                                                    {"SMALL.DB", "x"},
                                                                    {"NOISE.DAT", Noise(25000, 3)},
                                                                    {"EMPTY.TXT", ""},
                                                                    {"LAST.TXT", Text(9000)},
                                                                    {"表示.TXT", Text(2000)}};
    std::string script = "[Readme]\r\nFile=README.TXT\r\n[CopyFile]\r\n";
    for (std::size_t i = 0; i < files.size(); ++i) {
        Put(sources / ShiftJisToHostName(files[i].first), files[i].second);
        script += "File" + std::to_string(i + 1) + "=(App)" + files[i].first + (i == 2 ? ",/S" : "") + "\r\n";
    }
    Put(scratch.Path() / "SETUP.INI", script);
    Put(sources / "SETUP.EXE", Noise(12000, 9));
    const std::uint64_t capacity = 48 * 1024;
    ASSERT_NE(RunPack(Options(capacity), out, err), kExitError) << err.str() << out.str();

    const ProfileDocument packed = ProfileDocument::Parse(Get(medium / "DISK1" / "SETUP.INI"));
    int disk = 1;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string value = packed.Read("CopyFile", "File" + std::to_string(i + 1)).value_or("");
        SCOPED_TRACE(value);
        const CopyEntryParts parts = SplitOnTypicalMachine(value);
        if (parts.diskChange) ++disk;
        const fs::path onMedium = medium / ("DISK" + std::to_string(disk)) / ShiftJisToHostName(parts.sourceName);
        ASSERT_TRUE(fs::exists(onMedium)) << Listing(medium / ("DISK" + std::to_string(disk)));
        std::string expanded;
        ExpandSzdd(Get(onMedium), expanded);
        EXPECT_EQ(expanded, files[i].second);
        EXPECT_EQ(parts.flags, i == 2 ? ",/S" : "");
        // A disk changes only where the file did not fit on the one before.
        if (parts.diskChange) {
            std::uint64_t used = 0;
            for (const auto& entry : fs::directory_iterator(medium / ("DISK" + std::to_string(disk - 1))))
                used += (fs::file_size(entry) + 511) / 512 * 512;
            EXPECT_GT(used + (fs::file_size(onMedium) + 511) / 512 * 512, capacity);
        }
        // The readme stays plain: the wizard reads it from the first disk as it is.
        if (files[i].first == "README.TXT") {
            EXPECT_EQ(parts.sourceName, "README.TXT");
        }
    }
    EXPECT_EQ(disk, 3);
    for (int d = 1; d <= disk; ++d) {
        std::uint64_t used = 0;
        for (const auto& entry : fs::directory_iterator(medium / ("DISK" + std::to_string(d))))
            used += (fs::file_size(entry) + 511) / 512 * 512;
        EXPECT_LE(used, capacity) << "DISK" << d;
    }
    EXPECT_NE(Get(medium / "DISK1" / "SETUP.INI").find("File2=(App)APP.EX_"), std::string::npos);
    EXPECT_NE(Get(medium / "DISK1" / "SETUP.INI").find("(App)DATA.BIN,/S\r\n"), std::string::npos)
        << "noise is kept as it is";
    EXPECT_EQ(RunCheck({medium, true}, out, err), kExitClean) << out.str();
}

TEST_F(PackTest, CompressModesAndTheScriptForTheMedium)
{
    Put(sources / "SETUP.EXE", "MZ");
    Put(sources / "NOISE.BIN", Noise(4000, 4));
    Put(sources / "TEXT.TXT", Text(4000));
    Put(sources / "NOEXT", Text(4000));
    // UTF-8 with LF and a disk change that a one-folder medium has no use for.
    Put(scratch.Path() / "SETUP.INI",
        "[Title]\nSetup=\xE3\x82\xB5\xE3\x83\xB3\xE3\x83\x97\xE3\x83\xAB\n[CopyFile]\nFile1=(App)NOISE.BIN\n"
        "File2=(Dch)(App)TEXT.TXT\nFile3=(App)NOEXT\n");
    struct Row {
        CompressMode mode;
        std::string noise;
        std::string text;
    };
    const Row rows[] = {
        {CompressMode::Auto, "NOISE.BIN", "TEXT.TX_"},
        {CompressMode::All, "NOISE.BI_", "TEXT.TX_"},
        {CompressMode::None, "NOISE.BIN", "TEXT.TXT"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        PackOptions options = Options(0, row.mode);
        options.force = true;
        ASSERT_NE(RunPack(options, out, err), kExitError) << err.str();
        const std::string script = Get(medium / "SETUP.INI");
        EXPECT_NE(script.find("Setup=サンプル\r\n"), std::string::npos) << "Shift-JIS with CR LF";
        EXPECT_NE(script.find("File1=(App)" + row.noise + "\r\n"), std::string::npos) << script;
        EXPECT_NE(script.find("File2=(App)" + row.text + "\r\n"), std::string::npos) << script;
        EXPECT_NE(script.find("File3=(App)NOEXT\r\n"), std::string::npos) << "a name without extension stays plain";
        EXPECT_EQ(Listing(medium).find(".lorvel"), std::string::npos);
    }
    EXPECT_NE(out.str().find("\"(Dch)\" mark dropped"), std::string::npos) << out.str();
}

TEST_F(PackTest, BadInputWritesNothing)
{
    Put(sources / "SETUP.EXE", "MZ");
    Put(sources / "BIG.BIN", Noise(5000, 5));
    Put(sources / "A.TXT", Text(100));
    struct Row {
        const char* what;
        std::string script;
        std::uint64_t diskSize;
        const char* mentions;
    };
    const Row rows[] = {
        {"missing source", "[CopyFile]\nFile1=(App)A.TXT\nFile2=(App)GONE.TXT\n", 0, "GONE.TXT"},
        {"disk smaller than a file", "[CopyFile]\nFile1=(App)A.TXT\nFile2=(App)BIG.BIN\n", 4096,
         "BIG.BIN needs 5120 bytes"},
        {"binary script", std::string("[CopyFile]\0\x01", 12), 0, "binary"},
        {"neither UTF-8 nor Shift-JIS", "[Title]\nSetup=\x81\x20\n", 0, "neither UTF-8 nor Shift-JIS"},
        {"huge script", std::string(kMaxScriptBytes + 10, ';'), 0, "more than"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Put(scratch.Path() / "SETUP.INI", row.script);
        err.str("");
        EXPECT_EQ(RunPack(Options(row.diskSize), out, err), kExitError);
        EXPECT_NE(err.str().find(row.mentions), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(medium));
        EXPECT_EQ(Listing(scratch.Path()).find(".lorvel"), std::string::npos) << Listing(scratch.Path());
    }
    // An existing output is refused unless --force, and then replaced whole.
    Put(scratch.Path() / "SETUP.INI", "[CopyFile]\nFile1=(App)A.TXT\n");
    Put(medium / "OLD.TXT", "old");
    err.str("");
    EXPECT_EQ(RunPack(Options(), out, err), kExitError);
    EXPECT_NE(err.str().find("--force"), std::string::npos);
    EXPECT_EQ(Get(medium / "OLD.TXT"), "old");
    PackOptions forced = Options();
    forced.force = true;
    EXPECT_EQ(RunPack(forced, out, err), kExitClean) << out.str() << err.str();
    EXPECT_FALSE(fs::exists(medium / "OLD.TXT"));
    EXPECT_TRUE(fs::exists(medium / "SETUP.EXE"));
}

TEST_F(PackTest, DiskSizes)
{
    struct Row {
        const char* text;
        std::optional<std::uint64_t> bytes;
    };
    const Row rows[] = {{"1.44M", 1457664},     {"2.88M", 2915328},    {"650M", 650ull << 20},
                        {"720K", 720ull << 10}, {"100000", 100000},    {"1.2M", std::nullopt},
                        {"0", std::nullopt},    {"12X", std::nullopt}, {"", std::nullopt}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ParseDiskSize(row.text), row.bytes);
    }
}

}  // namespace
}  // namespace lorvel::tool

namespace lorvel::tool {
namespace {

std::uint32_t Read32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}
std::uint16_t Read16(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

TEST(ZipTest, CrcIsZipsOwn)
{
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32(""), 0u);
}

// The archive read back the way an unzip reads it: from the end record to the central
// directory, and from each central entry to its local header and data.
TEST_F(PackTest, TheZipHoldsTheMediumAsItIsOnDisk)
{
    Put(sources / "SETUP.EXE", "MZ program");
    Put(sources / "TEXT.TXT", Text(4000));
    Put(sources / "DATA.BIN", Noise(3000, 7));
    Put(scratch.Path() / "SETUP.INI", "[Title]\nSetup=Zip\n[CopyFile]\nFile1=(App)TEXT.TXT\nFile2=(App)DATA.BIN\n");
    PackOptions options = Options();
    options.zip = scratch.Path() / "medium.zip";
    ASSERT_NE(RunPack(options, out, err), kExitError) << err.str();
    const std::string zip = Get(options.zip);
    ASSERT_GE(zip.size(), 22u);
    const std::size_t end = zip.size() - 22;
    ASSERT_EQ(Read32(zip, end), 0x06054b50u);
    const std::uint16_t count = Read16(zip, end + 10);
    std::size_t at = Read32(zip, end + 16);
    std::set<std::string> names;
    for (std::uint16_t i = 0; i < count; ++i) {
        ASSERT_EQ(Read32(zip, at), 0x02014b50u);
        const std::uint32_t crc = Read32(zip, at + 16);
        const std::uint32_t size = Read32(zip, at + 24);
        const std::uint16_t nameLength = Read16(zip, at + 28);
        const std::size_t local = Read32(zip, at + 42);
        const std::string name = zip.substr(at + 46, nameLength);
        SCOPED_TRACE(name);
        ASSERT_EQ(Read32(zip, local), 0x04034b50u);
        EXPECT_EQ(Read16(zip, local + 8), 0) << "stored";
        const std::string data = zip.substr(local + 30 + Read16(zip, local + 26) + Read16(zip, local + 28), size);
        EXPECT_EQ(data, Get(medium / name));
        EXPECT_EQ(Crc32(data), crc);
        names.insert(name);
        at += 46 + nameLength + Read16(zip, at + 30) + Read16(zip, at + 32);
    }
    std::set<std::string> onDisk;
    for (const auto& entry : fs::directory_iterator(medium)) onDisk.insert(entry.path().filename().string());
    EXPECT_EQ(names, onDisk);
    EXPECT_TRUE(names.count("SETUP.EXE"));
}

TEST_F(PackTest, AZipOfDisksIsRefusedBeforeAnythingIsWritten)
{
    Put(sources / "SETUP.EXE", "MZ");
    Put(sources / "TEXT.TXT", Text(4000));
    Put(scratch.Path() / "SETUP.INI", "[CopyFile]\nFile1=(App)TEXT.TXT\n");
    PackOptions options = Options(1457664);
    options.zip = scratch.Path() / "medium.zip";
    EXPECT_EQ(RunPack(options, out, err), kExitError);
    EXPECT_NE(err.str().find("--disk-size"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(medium));
    EXPECT_FALSE(fs::exists(options.zip));
}

}  // namespace
}  // namespace lorvel::tool
