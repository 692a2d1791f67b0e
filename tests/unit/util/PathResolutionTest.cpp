#include "util/PathResolution.h"

#include <gtest/gtest.h>

#include "../LeadByteRuns.h"

namespace lorvel {
namespace {

TEST(PathResolutionTest, PathsResolveAsWindowsReadsThem)
{
    const std::pair<std::string, std::optional<std::string>> rows[] = {
        {"C:\\APP\\A.TXT", "C:\\APP\\A.TXT"},
        {"c:/app/./sub/../a.txt", "C:\\APP\\A.TXT"},
        {"C:\\APP\\..\\..\\..\\WINDOWS", "C:\\WINDOWS"},
        {"C:\\WINDOWS.\\ ", "C:\\WINDOWS"},
        {"C:\\WINDOWS \\*.*", "C:\\WINDOWS\\*.*"},
        {"C:\\\\WINDOWS\\\\\\*.*", "C:\\WINDOWS\\*.*"},
        {"C:\\", "C:\\"},
        {"C:\\..", "C:\\"},
        {"a.txt", "C:\\TEMP\\A.TXT"},
        {"..\\WINDOWS\\*.*", "C:\\WINDOWS\\*.*"},
        {"\\WINDOWS", "C:\\WINDOWS"},
        {"\\\\srv\\share\\x\\..\\y", "\\\\SRV\\SHARE\\Y"},
        {"\\\\?\\C:\\WINDOWS", std::nullopt},
        {"\\\\.\\C:", std::nullopt},
        {"C:a.txt", std::nullopt},
        {"C:", std::nullopt},
        // A trail byte 0x5C is no separator: "表" is 0x95 0x5C.
        {"C:\\\x95\x5C\\..\\A", "C:\\A"},
        {"C:\\\x95\x5C\\A", "C:\\\x95\x5C\\A"},
        // A lead byte at the end stands alone, and no "\\" is made up to trail it.
        {"C:\\x\x81", "C:\\X\x81"},
        {"\\\\srv\\share\\x\x81", "\\\\SRV\\SHARE\\X\x81"},
        // The system ends a path at a NUL: what follows would be checked, not used.
        {std::string("C:\\\0\0WINDOWS\\", 12), std::nullopt},
        {std::string("C:\\APP\\\0", 8), std::nullopt},
        {std::string("\0", 1), std::nullopt},
    };
    for (const auto& [path, expected] : rows) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ResolvePath(path, "C:\\TEMP\\"), expected);
    }
}

using testing::Leads;
using testing::Repeat;

// A record line may hold tens of thousands of lead bytes; each one owns the byte after
// it, so the parity of a run decides whether the "\" after it is a separator.
TEST(PathResolutionTest, LongRunsOfLeadBytesResolveByTheirParity)
{
    const std::string joined = Repeat("\x81\x81\\", 14998) + "\x81\x81";  // 14,999 names
    const std::pair<std::string, std::optional<std::string>> rows[] = {
        {"C:\\APP\\" + Leads(40000), "C:\\APP\\" + Leads(40000)},
        {"C:\\APP\\" + Leads(40000) + "\\..\\A", "C:\\APP\\A"},
        // The last lead byte of an odd run takes the "\", so ".." ends a name there.
        {"C:\\APP\\" + Leads(40001) + "\\..\\A", "C:\\APP\\" + Leads(40001) + "\\\\A"},
        {"C:\\" + Leads(40000) + "\\..\\..\\WINDOWS", "C:\\WINDOWS"},
        {"C:\\" + Leads(39999) + "\\..\\..\\WINDOWS", "C:\\WINDOWS"},
        {"C:\\" + Leads(40001) + "\\..\\..\\WINDOWS", "C:\\WINDOWS"},
        {"C:\\" + Leads(40001) + "\\..\\WINDOWS", "C:\\" + Leads(40001) + "\\\\WINDOWS"},
        // Every 0x5C is the trail of the lead byte before it: one name, no separator.
        {"C:\\" + Repeat("\x81\x5C", 20000) + "\\A", "C:\\" + Repeat("\x81\x5C", 20000) + "\\A"},
        {"C:\\" + Repeat("\x81\x5C", 20000) + "..\\A", "C:\\" + Repeat("\x81\x5C", 20000) + "\\A"},
        {"C:\\" + Repeat("\x81\x81\\", 15000) + "..", "C:\\" + joined},
        {"C:/" + Repeat("\x81\x81/", 15000) + "..", "C:\\" + joined},
        {"\\\\" + Leads(40000) + "\\S\\X", "\\\\" + Leads(40000) + "\\S\\X"},
        // The server's name takes the "\" and "S": "X" is the share.
        {"\\\\" + Leads(40001) + "\\S\\X", "\\\\" + Leads(40001) + "\\S\\X\\"},
        {"\\\\" + Leads(39999) + "\\S", std::nullopt},  // no share name
        {Leads(40000) + "\\..\\A.TXT", "C:\\TEMP\\A.TXT"},
        {"C:\\APP\\" + Leads(39999), "C:\\APP\\" + Leads(39999)},  // a lead byte at the very end
    };
    for (const auto& [path, expected] : rows) {
        SCOPED_TRACE(path.substr(0, 16) + "... (" + std::to_string(path.size()) + " bytes)");
        EXPECT_EQ(ResolvePath(path, "C:\\TEMP\\"), expected);
    }
}

// Only a drive letter or a share begins a path an install records; ResolvePath
// places more forms than that, each row's second column says which.
TEST(PathResolutionTest, OnlyADriveLetterOrAShareMakesAPathAbsolute)
{
    struct Row {
        std::string path;
        bool absolute;
        bool resolves;
    };
    const Row rows[] = {
        {"C:\\APP\\A.TXT", true, true},    {"c:/app", true, true},
        {"\\\\srv\\share\\x", true, true}, {"//srv/share/x", true, true},
        {"1:\\APP", false, true},          {"A.TXT", false, true},
        {"\\APP\\A.TXT", false, true},     {"..\\A.TXT", false, true},
        {"C:A.TXT", false, false},         {"C:", false, false},
        {"\\\\?\\C:\\APP", false, false},  {"\\\\.\\C:", false, false},
        {"\\\\\\srv", false, false},       {"", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(IsAbsolutePath(row.path), row.absolute);
        EXPECT_EQ(ResolvePath(row.path, "C:\\TEMP\\").has_value(), row.resolves);
    }
}

}  // namespace
}  // namespace lorvel
