#include "util/Szdd.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "../VirtualMachineFixture.h"

namespace lorvel {
namespace {

std::string Random(std::size_t size, unsigned seed, int alphabet = 256)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() % alphabet);
    return bytes;
}

std::vector<std::pair<std::string, std::string>> Samples()
{
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i % 37) + " of the sample text\r\n";
    return {
        {"empty", ""},
        {"one byte", "x"},
        {"fifteen bytes", "abcabcabcabcabc"},
        {"random", Random(100000, 1)},
        {"small alphabet", Random(50000, 2, 4)},
        {"repetitive", std::string(70000, 'a')},
        {"spaces", std::string(5000, ' ')},
        {"text", text},
    };
}

TEST(SzddTest, CompressedFilesExpandToTheOriginal)
{
    for (const auto& [name, original] : Samples()) {
        SCOPED_TRACE(name);
        const std::string compressed = CompressSzdd(original, 'T');
        const auto header = ReadSzddHeader(compressed);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->length, original.size());
        EXPECT_EQ(header->lastCharacter, 'T');
        std::string expanded;
        EXPECT_EQ(ExpandSzdd(compressed, expanded), SzddResult::Expanded);
        EXPECT_EQ(expanded, original);
        if (name == "repetitive") {
            EXPECT_LT(compressed.size(), original.size() / 5);
        }
    }
}

TEST(SzddTest, TruncatedAndCorruptFilesEndWithoutHarm)
{
    const std::string original = Random(20000, 3, 16);
    const std::string compressed = CompressSzdd(original, 'X');
    for (std::size_t cut : {std::size_t{14}, std::size_t{15}, compressed.size() / 2, compressed.size() - 1}) {
        SCOPED_TRACE(cut);
        std::string expanded;
        EXPECT_EQ(ExpandSzdd(compressed.substr(0, cut), expanded), SzddResult::Truncated);
        EXPECT_LT(expanded.size(), original.size());
        EXPECT_EQ(expanded, original.substr(0, expanded.size())) << "what came out is right";
    }
    // Garbage after a valid header, claiming far more than it holds.
    std::string corrupt = compressed.substr(0, 10) + std::string("\xFF\xFF\xFF\x7F", 4) + Random(5000, 4);
    std::string expanded;
    EXPECT_EQ(ExpandSzdd(corrupt, expanded), SzddResult::Truncated);
    EXPECT_LE(expanded.size(), 5000u * 18u);
    // Nor does a claim of 4 GB in a file of a few bytes make room for it: such a file on
    // the medium would otherwise take that much memory, or end the run when it cannot.
    for (const std::string& data : {std::string(),
                                    std::string("\xFF"
                                                "abcdefgh"),
                                    std::string("\x00\x10\xF0", 3)}) {
        SCOPED_TRACE(data.size());
        const std::string huge = compressed.substr(0, 10) + std::string("\xFF\xFF\xFF\xFF", 4) + data;
        std::string out;
        EXPECT_EQ(ExpandSzdd(huge, out), SzddResult::Truncated);
        EXPECT_LE(out.capacity(), 9 * data.size() + 32) << "room made for " << out.capacity() << " bytes";
    }
    // A header claiming less than the data holds stops at the stated length.
    std::string shortened = compressed;
    shortened[10] = 10;
    shortened[11] = shortened[12] = shortened[13] = 0;
    EXPECT_EQ(ExpandSzdd(shortened, expanded), SzddResult::Expanded);
    EXPECT_EQ(expanded, original.substr(0, 10));
}

TEST(SzddTest, AFileWithoutHeaderIsCopiedAsItIs)
{
    std::string out;
    EXPECT_EQ(ExpandSzdd("plain text", out), SzddResult::NotCompressed);
    EXPECT_EQ(out, "plain text");
    EXPECT_EQ(ExpandSzdd("SZDD", out), SzddResult::NotCompressed);
}

TEST(SzddTest, ExpandedNames)
{
    const SzddHeader withT{'T', 0};
    const SzddHeader without{0, 0};
    struct Row {
        std::string name;
        std::optional<SzddHeader> header;
        std::string expected;
    };
    const Row rows[] = {
        {"README.TX_", withT, "README.TXT"},
        {"readme.tx_", without, "readme.tx"},
        {"PLAIN.TXT", withT, "PLAIN.TXT"},
        {"APP.EX_", std::nullopt, "APP.EX_"},
        {"_", withT, "_"},
        {"", withT, ""},
        // The stored letter follows the case of the last letter before the "_".
        {"readme.tx_", withT, "readme.txt"},
        {"TESTFILE.XX_", {{'t', 0}}, "TESTFILE.XXT"},
        {"TestFile.Xx_", {{'t', 0}}, "TestFile.Xxt"},
        {"TestFile.xX_", {{'t', 0}}, "TestFile.xXT"},
        {"TESTFILE.12_", {{'t', 0}}, "TESTFILE.12T"},
        {"1234.56_", {{'X', 0}}, "1234.56x"},
        {"TESTFILE.XX_", {{'3', 0}}, "TESTFILE.XX3"},
        {"README._", {{'x', 0}}, "README.X"},
        // Without a "." the platform leaves the name alone.
        {"TESTFI1_", {{'t', 0}}, "TESTFI1_"},
        {"README_", without, "README_"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ExpandedName(row.name, row.header), row.expected);
    }
}

// 0x83 0x5F is a katakana whose trail byte is "_": no mark of a compressed file,
// where the code page has that lead byte.
TEST(SzddTest, OnlyALastCharacterUnderscoreMarksACompressedName)
{
    struct Row {
        std::string name;
        bool shiftJis;
        bool noLeadBytes;
    };
    const Row
        rows[] =
            {
                {"A.TX_", true, true},        {"A.TXT", false, false},
                {"", false, false},           {"_", true, true},
                {"A.\x83\x5F", false, true},  {"A.\x83\x5F_", true, true},
                {"\x83\x83\x5F", true, true},  // the second 0x83 is the first's trail byte
            };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(EndsWithUnderscore(row.name, LeadByteSet::ShiftJis()), row.shiftJis);
        EXPECT_EQ(EndsWithUnderscore(row.name, LeadByteSet::None()), row.noLeadBytes);
    }
}

TEST(SzddTest, CompressedNamesGiveTheOriginalBack)
{
    struct Row {
        std::string name;
        std::optional<std::string> compressed;
        char stored;
    };
    const Row rows[] = {
        {"README.TXT", "README.TX_", 'T'}, {"readme.txt", "readme.tx_", 't'},
        {"APP.DB", "APP.DB_", 0},          {"A.B", "A.B_", 0},
        {"PAGE.HTML", "PAGE.HTM_", 'L'},   {"SETUP.EX1", "SETUP.EX_", '1'},
        {"README", std::nullopt, 0},       {"README.", std::nullopt, 0},
        {"APP.EX_", std::nullopt, 0},      {"\x90\xE0\x96\xBE.\x83\x65\x83\x4C", std::nullopt, 0},
        {"APP.\x83\x5F", std::nullopt, 0},  // a last double-byte character, "_" as its trail
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto naming = CompressedName(row.name);
        ASSERT_EQ(naming.has_value(), row.compressed.has_value());
        if (!naming) continue;
        EXPECT_EQ(naming->name, *row.compressed);
        EXPECT_EQ(naming->lastCharacter, row.stored);
        // What the platform names the expanded file is the original, as Windows compares names.
        const std::string back = ExpandedName(naming->name, SzddHeader{naming->lastCharacter, 0});
        EXPECT_TRUE(back.size() == row.name.size() &&
                    std::equal(back.begin(), back.end(), row.name.begin(),
                               [](char a, char b) {
                                   return std::tolower(static_cast<unsigned char>(a)) ==
                                          std::tolower(static_cast<unsigned char>(b));
                               }))
            << back;
    }
}

// Debian's mscompress and msexpand are the reference implementations of the format.
std::string ReadHostFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteHostFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(SzddTest, AgreesWithTheReferenceTools)
{
    if (std::system("command -v mscompress >/dev/null 2>&1 && command -v msexpand >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "mscompress and msexpand are not installed (Debian package mscompress)";
    testing::ScratchFolder scratch;
    for (const auto& [name, original] : Samples()) {
        SCOPED_TRACE(name);
        const auto plain = scratch.Path() / "sample.bin";
        WriteHostFile(plain, original);
        ASSERT_EQ(std::system(("mscompress " + plain.string() + " >/dev/null 2>&1").c_str()), 0);
        std::string ours;
        // mscompress appends "_" to the whole name and will not overwrite it.
        const auto theirsPath = scratch.Path() / "sample.bin_";
        const std::string theirs = ReadHostFile(theirsPath);
        const auto reference = scratch.Path() / "reference.out";
        ASSERT_EQ(
            std::system(("msexpand < " + theirsPath.string() + " > " + reference.string() + " 2>/dev/null").c_str()),
            0);
        std::filesystem::remove(theirsPath);
        EXPECT_NE(ExpandSzdd(theirs, ours), SzddResult::NotCompressed);
        // msexpand writes whatever the data holds; the platform's expansion, and ours,
        // stop at the length the header states (they differ only on mscompress's
        // garbled empty file, whose data holds a byte its header does not count).
        const auto header = ReadSzddHeader(theirs);
        ASSERT_TRUE(header);
        EXPECT_EQ(ours, ReadHostFile(reference).substr(0, header->length)) << "against msexpand, bit for bit";
        // mscompress 0.4 garbles inputs shorter than 16 bytes (msexpand then gives the
        // garbled bytes too); from 16 bytes on both give back the original.
        if (original.size() >= 16) {
            EXPECT_EQ(ours, original);
        }

        const auto compressed = scratch.Path() / "ours.bi_";
        WriteHostFile(compressed, CompressSzdd(original, 'n'));
        const auto expanded = scratch.Path() / "ours.out";
        ASSERT_EQ(
            std::system(("msexpand < " + compressed.string() + " > " + expanded.string() + " 2>/dev/null").c_str()), 0);
        EXPECT_EQ(ReadHostFile(expanded), original) << "msexpand on our output";
    }
}

}  // namespace
}  // namespace lorvel
