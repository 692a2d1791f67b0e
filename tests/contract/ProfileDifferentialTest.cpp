// Our profile rules against the system's GetPrivateProfileStringA and
// WritePrivateProfileStringA, on a corpus of the awkward files script authors write.
// Reads must agree byte for byte. After writes, every key must read back the same
// through both; the bytes of the written files are not compared, because Wine
// rewrites the whole file in a normalised form on every write (blank lines dropped,
// blanks around "=" removed), which Windows is not known to do and we do not copy.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"
#include "run/ProfileStore.h"
#include "util/ProfileDocument.h"

namespace lorvel {
namespace {

const std::string kDefault = "<default>";

struct Case {
    const char* name;
    std::string content;
    std::vector<std::pair<std::string, std::string>> queries;
};

std::string SystemRead(const std::string& section, const std::string& key, const std::string& file)
{
    std::string buffer(1 << 20, '\0');
    const DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), kDefault.c_str(), buffer.data(),
                                                    static_cast<DWORD>(buffer.size()), file.c_str());
    buffer.resize(length);
    return buffer;
}

std::string Folder()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "lorvel-profile\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // drop the system's cached copy
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::vector<Case> Corpus()
{
    const std::string longValue(300, 'v');
    const std::string hugeValue(70000, 'w');
    return {
        {"blanks", "[S]\r\n  key  =  value  \r\n\tk2\t=\tv2\t\r\n", {{"S", "key"}, {"S", "k2"}, {" S ", " key "}}},
        {"quotes",
         "[S]\r\nq1=\"quoted\"\r\nq2='single'\r\nq3=\"unmatched'\r\nq4=\" spaced \"\r\nq5=\"\r\nq6=\"\"\r\n",
         {{"S", "q1"}, {"S", "q2"}, {"S", "q3"}, {"S", "q4"}, {"S", "q5"}, {"S", "q6"}}},
        {"comments",
         "; top comment\r\n[S]\r\n;k=v\r\nk=v ; trailing\r\n#hash=1\r\n",
         {{"S", ";k"}, {"S", "k"}, {"S", "#hash"}}},
        {"no equals", "[S]\r\nnoeq\r\n  spaced noeq  \r\n", {{"S", "noeq"}, {"S", "spaced noeq"}}},
        {"duplicates", "[S]\r\nk=1\r\nK=2\r\n[s]\r\nk=3\r\nx=4\r\n", {{"S", "k"}, {"s", "x"}, {"S", "x"}}},
        {"case", "[MiXeD]\r\nKeY=v\r\n", {{"mixed", "key"}, {"MIXED", "KEY"}}},
        {"empty values", "[S]\r\ne=\r\ne2= \r\n", {{"S", "e"}, {"S", "e2"}}},
        {"long values",
         "[S]\r\nlong=" + longValue + "\r\nhuge=" + hugeValue + "\r\nlen255=" + std::string(255, 'x') + "\r\n",
         {{"S", "long"}, {"S", "huge"}, {"S", "len255"}}},
        {"lf only, no final break", "[S]\nk=1\nl=2", {{"S", "k"}, {"S", "l"}}},
        {"lone cr", "[S]\rk=1\rl=2\r\n[T]\r\nm=3\r\n", {{"S", "k"}, {"S", "l"}, {"T", "m"}}},
        {"header without bracket",
         "[S]\r\na=1\r\n[T\r\nb=2\r\n[U]\r\nc=3\r\n",
         {{"S", "a"}, {"S", "b"}, {"T", "b"}, {"S", "[T"}, {"U", "c"}}},
        {"shift-jis names", "[日本]\r\n表=示\r\nｶﾅ=半角\r\n", {{"日本", "表"}, {"日本", "ｶﾅ"}}},
        {"keys before a section", "k=top\r\n[S]\r\nk=in\r\n", {{"", "k"}, {"S", "k"}}},
        {"spaced section names", "[ S ]\r\nk=v\r\n[]\r\nk=empty\r\n", {{"S", "k"}, {" s ", "k"}}},
        {"equals everywhere", "[S]\r\nk=a=b\r\n=novalue\r\nk2 = = x\r\n", {{"S", "k"}, {"S", ""}, {"S", "k2"}}},
        {"text after header", "[S] trailing\r\nk=v\r\n[T]]\r\nm=w\r\n", {{"S", "k"}, {"T]", "m"}, {"T", "m"}}},
        {"full-width case", "[ＡＢＣ]\r\nｋｅｙ=v\r\n", {{"ａｂｃ", "ＫＥＹ"}}},
    };
}

TEST(ProfileDifferentialTest, ReadsAgreeWithTheSystem)
{
    const std::string folder = Folder();
    int index = 0;
    for (const Case& c : Corpus()) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + "read" + std::to_string(index++) + ".ini";
        WriteBytes(path, c.content);
        const ProfileDocument ours = ProfileDocument::Parse(c.content);
        for (const auto& [section, key] : c.queries) {
            SCOPED_TRACE(section + " / " + key);
            EXPECT_EQ(ours.Read(section, key).value_or(kDefault), SystemRead(section, key, path));
        }
    }
}

TEST(ProfileDifferentialTest, WrittenKeysReadBackTheSame)
{
    const std::string folder = Folder();
    struct Write {
        std::string section, key, value;
    };
    const std::vector<Write> writes = {
        {"S", "k", "changed"},
        {"S", "new", "added"},
        {"NewSection", "a", "1"},
        {"S", "empty", ""},
        {"s", "K", "case of an existing key"},
        {"日本", "表", "示す"},
        {"S", "spaced", "  kept blanks  "},
    };
    int index = 0;
    for (const Case& c : Corpus()) {
        SCOPED_TRACE(c.name);
        const std::string ourPath = folder + "ours" + std::to_string(index) + ".ini";
        const std::string systemPath = folder + "system" + std::to_string(index++) + ".ini";
        WriteBytes(ourPath, c.content);
        WriteBytes(systemPath, c.content);
        platform::win32::Win32Platform real;
        ProfileStore store(real.AsPlatform().files);
        for (const Write& w : writes) {
            store.WriteProfile(w.section, w.key, w.value, ourPath);
            ::WritePrivateProfileStringA(w.section.c_str(), w.key.c_str(), w.value.c_str(), systemPath.c_str());
        }
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, systemPath.c_str());
        std::vector<std::pair<std::string, std::string>> queries = c.queries;
        for (const Write& w : writes) queries.emplace_back(w.section, w.key);
        for (const auto& [section, key] : queries) {
            SCOPED_TRACE(section + " / " + key);
            EXPECT_EQ(SystemRead(section, key, ourPath), SystemRead(section, key, systemPath))
                << "the system reads our file differently";
            EXPECT_EQ(store.ReadProfile(section, key, kDefault, ourPath), SystemRead(section, key, systemPath));
        }
    }
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

// Files in the form the system writes them, so that the bytes after a removal can be
// compared: the system rewrites the rest of a file in its own form.
TEST(ProfileDifferentialTest, RemovingASectionLeavesTheSameBytes)
{
    const std::string folder = Folder();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[A]\r\na=1\r\n[B]\r\nb=2\r\n[C]\r\nc=3\r\n", "B"},
        {"[A]\r\na=1\r\n[B]\r\nb=2\r\n", "b"},
        {"[A]\r\na=1\r\n[B]\r\nb=2\r\n", "A"},
        {"[A]\r\na=1\r\n", "A"},
        {"[A]\r\na=1\r\n[B]\r\nb=2\r\n", "Z"},
        {"[Sample]\r\nFolder=C:\\APP\\\r\n[Other]\r\nFolder=C:\\OTHER\\\r\n", "sample"},
        {"[日本]\r\n表=示\r\n[B]\r\nb=2\r\n", "日本"},
    };
    int index = 0;
    for (const auto& [content, section] : cases) {
        SCOPED_TRACE(content + " / " + section);
        const std::string ourPath = folder + "remove-ours" + std::to_string(index) + ".ini";
        const std::string systemPath = folder + "remove-system" + std::to_string(index++) + ".ini";
        WriteBytes(ourPath, content);
        WriteBytes(systemPath, content);
        platform::win32::Win32Platform real;
        ProfileStore store(real.AsPlatform().files);
        EXPECT_TRUE(store.RemoveSection(section, ourPath));
        ::WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, systemPath.c_str());
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, systemPath.c_str());
        EXPECT_EQ(ReadBytes(ourPath), ReadBytes(systemPath));
    }
}

bool RunsUnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// Where Wine's profile functions differ from Windows', as a public conformance suite
// run on Windows records it. We follow Windows; under Wine only our side is checked.
// Wine 8 here finds no "[]" section at all, and trims the default as Windows does.
TEST(ProfileDifferentialTest, WindowsOnlyRowsFollowWindows)
{
    const std::string folder = Folder();
    struct Row {
        const char* name;
        std::string content, section, key, defaultValue, expected;
    };
    const Row rows[] = {
        {"explicit empty section", "k=top\r\n[]\r\nk=explicit\r\n", "", "k", "<default>", "explicit"},
        {"explicit empty section after others", "[ S ]\r\nk=v\r\n[]\r\nk=empty\r\n", "", "k", "<default>", "empty"},
        {"default loses trailing blanks", "[S]\r\n", "S", "missing", "default  ", "default"},
    };
    const bool wine = RunsUnderWine();
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = folder + "windows-only" + std::to_string(index++) + ".ini";
        WriteBytes(path, row.content);
        platform::win32::Win32Platform real;
        ProfileStore store(real.AsPlatform().files);
        EXPECT_EQ(store.ReadProfile(row.section, row.key, row.defaultValue, path), row.expected);
        std::string buffer(256, '\0');
        const DWORD length = ::GetPrivateProfileStringA(row.section.c_str(), row.key.c_str(), row.defaultValue.c_str(),
                                                        buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
        buffer.resize(length);
        if (wine)
            std::printf("[ wine     ] %s: the system gives \"%s\"\n", row.name, buffer.c_str());
        else
            EXPECT_EQ(buffer, row.expected);
    }
}

TEST(ProfileDifferentialTest, AMissingFileIsCreatedByAWrite)
{
    const std::string path = Folder() + "created.ini";
    ::DeleteFileA(path.c_str());
    platform::win32::Win32Platform real;
    ProfileStore store(real.AsPlatform().files);
    EXPECT_TRUE(store.WriteProfile("S", "k", "v", path));
    EXPECT_EQ(SystemRead("S", "k", path), "v");
}

}  // namespace
}  // namespace lorvel
