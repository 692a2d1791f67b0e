// The Win32 side's conversions between the program's Shift-JIS and the system's
// UTF-16, and what the services make of a text that has no exact counterpart. Only
// the Win32 backend converts, so these run under Wine alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"

namespace lorvel::win32 {
namespace {

using platform::kErrorInvalidName;
using platform::kErrorNoUnicodeTranslation;

TEST(WideTextTest, ShiftJisTextRoundTripsExactly)
{
    struct Row {
        std::string bytes;
        std::wstring wide;
    };
    const Row rows[] = {
        {"", L""},
        {"C:\\\x95\x5C\\A.TXT", L"C:\\\x8868\\A.TXT"},  // a trail byte 0x5C stays in its character
        {"\\", L"\\"},                                  // 0x5C is the backslash, not the yen sign
        {"~", L"~"},
        {"\x81\x5F", L"\xFF3C"},        // the full-width backslash
        {"\x81\x8F", L"\xFFE5"},        // the full-width yen sign, which has a code
        {"\xB1\xDE", L"\xFF71\xFF9E"},  // half-width katakana
        {"\x82\xA0\x83\x41", L"\x3042\x30A2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes);
        EXPECT_EQ(ExactWide(row.bytes), row.wide);
        EXPECT_EQ(ExactNarrow(row.wide), row.bytes);
        EXPECT_EQ(Narrow(row.wide), row.bytes);
    }
}

// No best fit: each of these has a near character in code page 932, and a name that
// held it would name another file.
TEST(WideTextTest, CharactersWithNoShiftJisCodeDoNotConvert)
{
    const std::wstring rows[] = {
        L"\x00A5",  // YEN SIGN, whose best fit is 0x5C "\"
        L"C:\\A\x00A5..\x00A5WINDOWS",
        L"\x203E",        // OVERLINE, whose best fit is "~"
        L"\x00E9",        // e with an acute accent
        L"\x00A6",        // BROKEN BAR
        L"\xD55C",        // a Hangul syllable
        L"\xD83D\xDE00",  // a character beyond the first plane
        L"\xD800",        // half a surrogate pair
    };
    for (const std::wstring& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row));
        EXPECT_FALSE(ExactNarrow(row).has_value());
        EXPECT_EQ(Narrow(row), "") << "the text that names no file";
        const std::string shown = ShownNarrow(row);
        EXPECT_EQ(std::count(shown.begin(), shown.end(), '\\'), std::count(row.begin(), row.end(), L'\\'))
            << "shown, it holds no near backslash";
    }
}

TEST(WideTextTest, BytesThatAreNoShiftJisDoNotConvert)
{
    const std::string rows[] = {
        "A\x81",     // a lead byte without its trail
        "\x81\x20",  // a lead byte before a byte that cannot trail
        "\x88\x7F",
        "\xEF\x40\\",  // a pair that is no character
    };
    for (const std::string& row : rows) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(ExactWide(row).has_value());
        EXPECT_EQ(Wide(row), L"");
        EXPECT_EQ(WideName(row).Error(), static_cast<DWORD>(kErrorNoUnicodeTranslation));
        EXPECT_FALSE(ShownWide(row).empty()) << "a reader still sees the text";
    }
    EXPECT_EQ(ShownWide("OK \x81\x20").rfind(L"OK ", 0), 0u) << "the good part as it is";
    EXPECT_EQ(WideName(std::string("C:\\A.TXT\0B", 10)).Error(), static_cast<DWORD>(kErrorInvalidName))
        << "a NUL would end the name early";
    EXPECT_EQ(WideName("C:\\\x95\x5C").Error(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(WideName("C:\\\x95\x5C").Text(), L"C:\\\x8868");
}

// Environment variables and registry values are the places where any program of the
// user puts a text of its own choosing in front of the system's own calls.
struct Win32Services : ::testing::Test {
    platform::win32::Win32Platform real;
    platform::Platform services = real.AsPlatform();
    std::string key = "Software\\LorvelWideText\\" + std::to_string(std::random_device{}());

    ~Win32Services() override
    {
        services.registry.DeleteKeyTree(platform::RootKey::CurrentUser, "Software\\LorvelWideText");
    }

    void WriteWide(const std::wstring& subkey, const std::wstring& name, const std::wstring& text)
    {
        HKEY handle = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (Wide(key) + subkey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &handle, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(handle);
    }
};

TEST_F(Win32Services, ATemporaryFolderWithNoShiftJisNameIsNone)
{
    wchar_t saved[MAX_PATH + 1] = {};
    const DWORD savedLength = ::GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
    struct Row {
        std::wstring tmp;
        std::string expected;
    };
    const Row rows[] = {
        {L"C:\\TEMP\x00A5WINDOWS", ""},  // read with best fit, "C:\TEMP\WINDOWS\"
        {L"C:\\\x8868", "C:\\\x95\x5C\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        ASSERT_TRUE(::SetEnvironmentVariableW(L"TMP", row.tmp.c_str()));
        EXPECT_EQ(services.system.GetTempFolder(), row.expected);
    }
    ::SetEnvironmentVariableW(L"TMP", savedLength > 0 && savedLength <= MAX_PATH ? saved : nullptr);
}

TEST_F(Win32Services, RegistryTextsWithNoShiftJisFormAreErrors)
{
    WriteWide(L"", L"Folder", L"C:\\Program Files\\App\x00A5..\x00A5..\x00A5WINDOWS");
    WriteWide(L"", L"Plain", L"C:\\App");
    platform::RegValue value;
    const auto root = platform::RootKey::CurrentUser;
    EXPECT_EQ(services.registry.ReadValue(root, key, "Folder", value), kErrorNoUnicodeTranslation);
    ASSERT_EQ(services.registry.ReadValue(root, key, "Plain", value), 0u);
    EXPECT_EQ(value.data, "C:\\App");
    std::vector<std::pair<std::string, platform::RegValue>> values;
    EXPECT_EQ(services.registry.EnumValues(root, key, values), kErrorNoUnicodeTranslation)
        << "a listing without the value would be taken for the key's whole content";
    EXPECT_TRUE(values.empty());

    WriteWide(L"\\Sub\x00A5Key", L"", L"x");
    std::vector<std::string> names;
    EXPECT_EQ(services.registry.EnumSubKeys(root, key, names), kErrorNoUnicodeTranslation);
    EXPECT_TRUE(names.empty());

    // The program's own texts: bytes that are no Shift-JIS are written nowhere.
    EXPECT_EQ(services.registry.CreateKey(root, key + "\\\x81\x20"), kErrorNoUnicodeTranslation);
    EXPECT_EQ(services.registry.WriteValue(root, key, "Bad", platform::RegValue::String("A\x81")),
              kErrorNoUnicodeTranslation);
    EXPECT_EQ(services.registry.WriteValue(root, key, "\x88\x7F", platform::RegValue::String("A")),
              kErrorNoUnicodeTranslation);
    EXPECT_EQ(services.registry.ReadValue(root, key, "Bad", value), platform::kErrorFileNotFound);
    EXPECT_EQ(services.registry.DeleteKeyTree(root, key + "\\\x81\x20"), kErrorNoUnicodeTranslation);
    EXPECT_EQ(services.registry.OpenKey(root, key), 0u) << "the key itself is not taken in its place";
}

}  // namespace
}  // namespace lorvel::win32
