// Extraction, path delimiters, code-page mapping and field splitting on Shift-JIS
// byte strings. Positions are 1-based, counts are bytes; nothing here fails.
//
//   StrLeft("abc", 5)              => "abc"      StrLeft("abc", -1)  => ""
//   StrRight("abc", 2)             => "bc"       StrRight("abc", 0)  => ""
//   StrMid("abcdef", 3)            => "cdef"     StrMid("abc", 0)    => "abc"
//   AddPathDelim("X:\\A", "B")     => "X:\\A\\"  AddPathDelim("", "T") => "\\"
//   AddPathDelim("A", "TB")        => "\\A"      (only the first selector byte counts)
//   AddPathDelim("\x95\x5C", "B")  => "\x95\x5C\\" (0x5C there is a trail byte)
//   RemovePathDelim("X:\\A\\\\", "B") => "X:\\A\\"
//   GetField("a,,c", ",", 3)       => "c"        GetField("a,b", ",", 0) => ""
//   MapString("abｶﾞ", kMapFullWidth) => "ａｂガ"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lorvel {

// The flags of the system's string mapping that the program uses.
constexpr std::uint32_t kMapUpperCase = 0x200;     // LCMAP_UPPERCASE
constexpr std::uint32_t kMapFullWidth = 0x800000;  // LCMAP_FULLWIDTH

std::string StrLeft(const std::string& text, int count);
std::string StrRight(const std::string& text, int count);
std::string StrMid(const std::string& text, int start);

// Path delimiter "\" at 1-based position i that is not the trail byte of a
// double-byte character.
bool IsPathDelimiter(const std::string& path, int i);

// Selector "T" acts on the front, "B" on the end; any other first byte does nothing.
std::string AddPathDelim(const std::string& path, const std::string& selector);
std::string RemovePathDelim(const std::string& path, const std::string& selector);

// Code page 932 mapping as the system's locale-aware mapping does it: upper case
// (ASCII, full-width Latin, Greek, Cyrillic, Roman numerals) and full width
// (ASCII and half-width katakana, a voiced mark composed with its kana). The result
// ends at the first NUL; unknown flags leave the text unchanged.
std::string MapString(const std::string& text, std::uint32_t flags);

// The upper-case mapping of text without a NUL, in place: upper case keeps every
// character's length.
void UpperCaseInPlace(std::string& text);

// The n-th field (from 1), scanning byte by byte; a delimiter of other than one byte
// never matches.
std::string GetField(const std::string& text, const std::string& delimiter, int n);

// The file-name part of a path: what follows the last "\" or ":" that is not the
// second byte of a double-byte character.
//   FileNamePart("C:\\APP\\UNSETUP.INI") => "UNSETUP.INI"    FileNamePart("C:A.TXT") => "A.TXT"
std::string FileNamePart(const std::string& path);

// The folder part of a path: what FileNamePart leaves, its last "\" or ":" kept.
//   FolderPart("C:\\APP\\A.LNK") => "C:\\APP\\"    FolderPart("C:A.EXE") => "C:"    FolderPart("A.EXE") => ""
std::string FolderPart(const std::string& path);

// Whether the text holds "*" or "?" where a character begins: a pattern, not a name.
//   HasWildcard("C:\\APP\\*.TMP") => true    HasWildcard("\x83\x3F") => false (0x3F there is a trail byte)
bool HasWildcard(const std::string& text);

// ASCII letters in upper case, every other byte as it is, a trail byte included:
// how names compare that the system folds without the code page (profile section
// and key names, folder macros, the medium's disk folders).
//   AsciiUpperCase("(app)ｱa") => "(APP)ｱA"
std::string AsciiUpperCase(std::string_view text);
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);

// The drive part: "C:" of a drive path, "\\server\share" of a network path, else "".
std::string DrivePart(const std::string& path);

// Shorthands for the common calls.
inline std::string UpperCase(const std::string& text)
{
    return MapString(text, kMapUpperCase);
}
inline bool EndsWithPathDelimiter(const std::string& path)
{
    return IsPathDelimiter(path, static_cast<int>(path.size()));
}

}  // namespace lorvel
