#include <gtest/gtest.h>

#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {
namespace {

// "表" is 0x95 0x5C in code page 932: its trail byte has the value of "\".
const std::string kHyo = "\x95\x5C";

TEST(MBPosTest, MatchesOnlyAtCharacterStarts)
{
    struct Row {
        std::string pattern, text;
        int expected;
    };
    const Row rows[] = {
        {"\\", kHyo + "\\", 3}, {"", "abc", 0},        {"abc", "ab", 0},
        {"b", "abc", 2},        {"\\", kHyo, 0},       {"\x5C", "a\x81", 0},  // a final lead byte ends the scan
        {kHyo, "x" + kHyo, 2},  {"|", "\x83\x7C|", 3},                        // 0x83 0x7C has a trail byte of "|"
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(MBPos(row.pattern, row.text), row.expected);
    }
}

TEST(MBPosTest, SingleByteSystemSeesEveryByte)
{
    EXPECT_EQ(MBPos("\\", kHyo, LeadByteSet::None()), 2);
}

TEST(MBPosTextTest, IgnoresCase)
{
    struct Row {
        std::string pattern, text;
        int expected;
    };
    const Row rows[] = {
        {"(app)", "c:\\(APP)\\x", 4},
        {".dll", "C:\\A\\B.Dll", 7},
        {"\x82\x81", "\x82\x60", 1},  // full-width a finds full-width A
        {"x", "\x82\x78", 0},         // a trail byte 'x' is not the letter
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(MBPosText(row.pattern, row.text), row.expected);
    }
}

TEST(ByteTypeTest, CountsTheLeadRunBefore)
{
    // 0x81 0x81 0x81 0x5C: the run of three lead-set bytes is odd, so 0x5C is a trail byte.
    const std::string text = "\x81\x81\x81\x5C";
    EXPECT_EQ(MBByteType(text, 1), ByteType::Lead);
    EXPECT_EQ(MBByteType(text, 4), ByteType::Trail);
    EXPECT_EQ(MBByteType("\x81\x81\x5C", 3), ByteType::Single);
    EXPECT_EQ(MBByteType(std::string("a\0b", 3), 2), ByteType::Single);
    EXPECT_EQ(MBByteType("", 1), ByteType::Single);
}

TEST(ExtractTest, ClampsLikeTheSystem)
{
    struct Row {
        std::string actual, expected;
    };
    const Row rows[] = {
        {StrLeft("abc", 5), "abc"},  {StrLeft("abc", 0), ""},  {StrLeft("abc", -1), ""},  {StrRight("abc", 2), "bc"},
        {StrRight("abc", 5), "abc"}, {StrRight("abc", 0), ""}, {StrRight("abc", -1), ""}, {StrMid("abcdef", 3), "cdef"},
        {StrMid("abc", 0), "abc"},   {StrMid("abc", 4), ""},   {StrLeft("", 3), ""},      {StrMid("", 1), ""},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].actual, rows[i].expected);
    }
}

TEST(PathDelimTest, AddsAndRemovesAtOneEnd)
{
    struct Row {
        std::string actual, expected;
    };
    const Row rows[] = {
        {AddPathDelim("X:\\A", "B"), "X:\\A\\"},
        {AddPathDelim("X:\\A\\", "B"), "X:\\A\\"},
        {AddPathDelim("", "B"), "\\"},
        {AddPathDelim("", "T"), "\\"},
        {AddPathDelim("A", "T"), "\\A"},
        {AddPathDelim("A", "b"), "A"},
        {AddPathDelim("A", "TB"), "\\A"},
        {AddPathDelim("A", ""), "A"},
        {AddPathDelim("C:\\" + kHyo, "B"), "C:\\" + kHyo + "\\"},
        {RemovePathDelim("X:\\A\\\\", "B"), "X:\\A\\"},
        {RemovePathDelim("\\\\server", "T"), "\\server"},
        {RemovePathDelim("", "T"), ""},
        {RemovePathDelim("", "B"), ""},
        {RemovePathDelim("C:\\" + kHyo, "B"), "C:\\" + kHyo},
        {RemovePathDelim("\\", "B"), ""},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].actual, rows[i].expected);
    }
}

TEST(MapStringTest, UpperCaseKeepsByteLengths)
{
    struct Row {
        std::string input, expected;
    };
    const Row rows[] = {
        {"", ""},
        {"abc:\\xyz", "ABC:\\XYZ"},
        {"\x82\x81\x82\x9A", "\x82\x60\x82\x79"},  // full-width a, z
        {"\x83\xBF", "\x83\x9F"},                  // Greek alpha
        {"\x84\x76\x84\x80", "\x84\x46\x84\x4F"},  // Cyrillic yo, o
        {"\x82\x61", "\x82\x61"},                  // trail byte 'a' stays
        {"\x95\x5C"
         "a",
         "\x95\x5C"
         "A"},
        {std::string("a\0b", 3), "A"},  // the mapped text ends at a NUL
        {"a\x81", "A\x81"},             // a lone final lead byte stays
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.input);
        EXPECT_EQ(MapString(row.input, kMapUpperCase), row.expected);
    }
}

TEST(MapStringTest, FullWidthComposesSoundMarks)
{
    struct Row {
        std::string input, expected;
    };
    const Row rows[] = {
        {"", ""},
        {"A1 .", "\x82\x60\x82\x50\x81\x40\x81\x44"},
        {"\xB6\xDE", "\x83\x4B"},          // ka + voiced mark -> ga
        {"\xCA\xDF", "\x83\x70"},          // ha + semi-voiced mark -> pa
        {"\xB3\xDE", "\x83\x94"},          // u + voiced mark -> vu
        {"\xB1\xDE", "\x83\x41\x81\x4A"},  // a does not compose
        {"\x95\x5C", "\x95\x5C"},
        {"\x7E", "\x81\x60"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.input);
        EXPECT_EQ(MapString(row.input, kMapFullWidth), row.expected);
    }
    EXPECT_EQ(MapString("abc", 0x12345), "abc");
}

TEST(GetFieldTest, CountsEveryDelimiter)
{
    struct Row {
        std::string text, delimiter;
        int n;
        std::string expected;
    };
    const Row rows[] = {
        {"a,,c", ",", 2, ""},   {"a,,c", ",", 3, "c"},   {"a,b", ",", 3, ""},  {"a,b", ",", 0, ""},
        {"abc", ",", 1, "abc"}, {"a,b", ",,", 1, "a,b"}, {"a,b", ",,", 2, ""}, {"", ",", 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text + " " + std::to_string(row.n));
        EXPECT_EQ(GetField(row.text, row.delimiter, row.n), row.expected);
    }
}

TEST(PathPartsTest, FolderPartIsWhatTheFileNameLeaves)
{
    struct Row {
        std::string path, folder;
    };
    const Row rows[] = {
        {"C:\\APP\\A.LNK", "C:\\APP\\"},
        {"C:A.EXE", "C:"},
        {"A.EXE", ""},
        {"C:\\", "C:\\"},
        {"", ""},
        {"\\\\S\\SH\\X", "\\\\S\\SH\\"},
        {"C:\\" + kHyo, "C:\\"},  // the trail byte 0x5C ends no folder
        {"C:\\" + kHyo + "\\A", "C:\\" + kHyo + "\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(FolderPart(row.path), row.folder);
        EXPECT_EQ(FolderPart(row.path) + FileNamePart(row.path), row.path);
    }
}

TEST(WildcardTest, OnlyWhereACharacterBegins)
{
    struct Row {
        std::string text;
        bool wildcard;
    };
    const Row rows[] = {
        {"C:\\APP\\*.TMP", true}, {"A?.TXT", true}, {"C:\\APP\\A.TXT", false}, {"", false},
        {"\x83\x3F", false},  // a double-byte character whose trail byte is "?"
        {"\x83\x3F?", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(HasWildcard(row.text), row.wildcard);
    }
}

TEST(AsciiCaseTest, FoldsAsciiLettersOnly)
{
    struct Row {
        std::string a, b;
        bool equal;
        std::string upperA;
    };
    const Row rows[] = {
        {"(app)", "(App)", true, "(APP)"},
        {"Disk2", "DISK2", true, "DISK2"},
        {"\x82\x61", "\x82\x41", true, "\x82\x41"},  // a trail byte is folded too, as the profile functions do
        {"\xE0", "\xC0", false, "\xE0"},             // no letter beyond ASCII
        {"abc", "abcd", false, "ABC"},
        {"", "", true, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.a + " " + row.b);
        EXPECT_EQ(EqualsAsciiNoCase(row.a, row.b), row.equal);
        EXPECT_EQ(AsciiUpperCase(row.a), row.upperA);
    }
}

}  // namespace
}  // namespace lorvel
