#include "util/ShiftJisText.h"

#include <array>

#include "util/ShiftJisSearch.h"

namespace lorvel {

namespace {

std::string Extract(const std::string& text, int start, int count)
{
    const int length = static_cast<int>(text.size());
    if (text.empty() || count < 0) return {};
    if (start < 1) start = 1;
    if (start > length) return {};
    const int remaining = length - start + 1;
    if (count > remaining) count = remaining;
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
}

unsigned Pair(unsigned char lead, unsigned char trail)
{
    return (lead << 8) | trail;
}

void AppendPair(std::string& out, unsigned code)
{
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
}

// Position of a double-byte code among the 188 trail bytes of its lead byte.
unsigned TrailIndex(unsigned code)
{
    const unsigned trail = code & 0xFF;
    return trail - 0x40 - (trail > 0x7F ? 1 : 0);
}

unsigned FromLinear(unsigned firstLead, unsigned index)
{
    const unsigned lead = firstLead + index / 188;
    unsigned trail = 0x40 + index % 188;
    if (trail >= 0x7F) ++trail;
    return (lead << 8) | trail;
}

// Code page 932 codes some characters twice (the NEC row 13 symbols, the NEC
// selection of the IBM extensions). The system maps through Unicode and back, so
// every mapping hands back the one code the conversion prefers.
unsigned CanonicalDoubleByte(unsigned code)
{
    if (code >= 0xED40 && code <= 0xEEEC)
        return FromLinear(0xFA, 28 + (code >> 8 == 0xED ? 0 : 188) + TrailIndex(code));
    if (code >= 0xEEEF && code <= 0xEEF8) return 0xFA40 + (code - 0xEEEF);
    struct Pair {
        unsigned from, to;
    };
    static constexpr Pair kSingles[] = {
        {0x8790, 0x81E0}, {0x8791, 0x81DF}, {0x8792, 0x81E7}, {0x8795, 0x81E3}, {0x8796, 0x81DB}, {0x8797, 0x81DA},
        {0x879A, 0x81E6}, {0x879B, 0x81BF}, {0x879C, 0x81BE}, {0xEEF9, 0x81CA}, {0xEEFA, 0xFA55}, {0xEEFB, 0xFA56},
        {0xEEFC, 0xFA57}, {0xFA54, 0x81CA}, {0xFA58, 0x878A}, {0xFA59, 0x8782}, {0xFA5A, 0x8784}, {0xFA5B, 0x81E6},
    };
    for (const Pair& p : kSingles)
        if (code == p.from) return p.to;
    if (code >= 0xFA4A && code <= 0xFA53) return 0x8754 + (code - 0xFA4A);  // Roman numerals
    return code;
}

// Upper case of one double-byte character, or the character itself.
unsigned UpperDoubleByte(unsigned code)
{
    code = CanonicalDoubleByte(code);
    struct Range {
        unsigned first, last, upper;
    };
    static constexpr Range kRanges[] = {
        {0x8281, 0x829A, 0x8260},  // full-width a..z
        {0x83BF, 0x83D6, 0x839F},  // Greek small letters
        {0x8470, 0x847E, 0x8440},  // Cyrillic a..n (0x847F is not a character)
        {0x8480, 0x8491, 0x844F},  // Cyrillic o..ya
        {0xFA40, 0xFA49, 0x8754},  // small Roman numerals (IBM) to row 13
    };
    for (const Range& r : kRanges)
        if (code >= r.first && code <= r.last) return r.upper + (code - r.first);
    return code;
}

// Full-width forms of 0x20..0x7E, as code page 932 stores them. The system leaves
// "\" alone: in code page 932 it is also the yen sign.
constexpr std::array<unsigned, 95> kFullWidthAscii = {
    0x8140, 0x8149, 0xFA57, 0x8194, 0x8190, 0x8193, 0x8195, 0xFA56, 0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C,
    0x8144, 0x815E, 0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256, 0x8257, 0x8258, 0x8146, 0x8147,
    0x8183, 0x8181, 0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268,
    0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E, 0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,
    0x8277, 0x8278, 0x8279, 0x816D, 0x815F, 0x816E, 0x814F, 0x8151, 0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285,
    0x8286, 0x8287, 0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293,
    0x8294, 0x8295, 0x8296, 0x8297, 0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160};

// Full-width forms of the half-width katakana 0xA1..0xDF.
constexpr std::array<unsigned, 63> kFullWidthKana = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B};

constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;

// The full-width character of a half-width kana followed by a sound mark, or 0 when
// the pair does not compose.
unsigned ComposeKana(unsigned char kana, unsigned char mark)
{
    if (mark == kVoicedMark) {
        if (kana == 0xB3) return 0x8394;  // u -> vu
        if (kana >= 0xB6 && kana <= 0xC4) return kFullWidthKana[kana - 0xA1] + 1;
        if (kana >= 0xCA && kana <= 0xCE) return kFullWidthKana[kana - 0xA1] + 1;
    } else if (mark == kSemiVoicedMark) {
        if (kana >= 0xCA && kana <= 0xCE) return kFullWidthKana[kana - 0xA1] + 2;
    }
    return 0;
}

}  // namespace

void UpperCaseInPlace(std::string& out)
{
    const std::size_t size = out.size();
    const LeadByteSet& leads = ActiveLeadBytes();
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(out[i]);
        if (byte < 0x80) {
            if (byte >= 'a' && byte <= 'z') out[i] = static_cast<char>(byte - 0x20);
        } else if (leads.Contains(byte) && i + 1 < size) {
            const unsigned upper = UpperDoubleByte(Pair(byte, static_cast<unsigned char>(out[i + 1])));
            out[i] = static_cast<char>(upper >> 8);
            out[i + 1] = static_cast<char>(upper & 0xFF);
            ++i;
        }
    }
}

namespace {

std::string MapFullWidth(const std::string& text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (MBIsLeadByte(byte) && i + 1 < text.size()) {
            AppendPair(out, CanonicalDoubleByte(Pair(byte, static_cast<unsigned char>(text[i + 1]))));
            ++i;
        } else if (byte >= 0x20 && byte <= 0x7E && byte != '\\') {
            AppendPair(out, kFullWidthAscii[byte - 0x20]);
        } else if (byte >= 0xA1 && byte <= 0xDF) {
            const unsigned composed =
                i + 1 < text.size() ? ComposeKana(byte, static_cast<unsigned char>(text[i + 1])) : 0;
            if (composed != 0) {
                AppendPair(out, composed);
                ++i;
            } else {
                AppendPair(out, kFullWidthKana[byte - 0xA1]);
            }
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace

std::string StrLeft(const std::string& text, int count)
{
    return Extract(text, 1, count);
}

std::string StrRight(const std::string& text, int count)
{
    return Extract(text, static_cast<int>(text.size()) - count + 1, count);
}

std::string StrMid(const std::string& text, int start)
{
    return Extract(text, start, static_cast<int>(text.size()));
}

bool IsPathDelimiter(const std::string& path, int i)
{
    if (i < 1 || i > static_cast<int>(path.size())) return false;
    return path[i - 1] == '\\' && MBByteType(path, i) == ByteType::Single;
}

std::string AddPathDelim(const std::string& path, const std::string& selector)
{
    if (selector.empty()) return path;
    if (selector[0] == 'T' && !IsPathDelimiter(path, 1)) return "\\" + path;
    if (selector[0] == 'B' && !IsPathDelimiter(path, static_cast<int>(path.size()))) return path + "\\";
    return path;
}

std::string RemovePathDelim(const std::string& path, const std::string& selector)
{
    if (selector.empty()) return path;
    if (selector[0] == 'T' && IsPathDelimiter(path, 1)) return path.substr(1);
    if (selector[0] == 'B' && IsPathDelimiter(path, static_cast<int>(path.size())))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string MapString(const std::string& text, std::uint32_t flags)
{
    std::string mapped;
    if (flags == kMapUpperCase) {
        mapped = text;
        UpperCaseInPlace(mapped);
    } else if (flags == kMapFullWidth)
        mapped = MapFullWidth(text);
    else
        return text;
    // The system's mapping hands back a C string.
    const auto nul = mapped.find('\0');
    if (nul != std::string::npos) mapped.resize(nul);
    return mapped;
}

std::string FileNamePart(const std::string& path)
{
    for (int i = static_cast<int>(path.size()); i >= 1; --i) {
        const char c = path[i - 1];
        if ((c == '\\' || c == ':') && MBByteType(path, i) == ByteType::Single) return StrMid(path, i + 1);
    }
    return path;
}

std::string FolderPart(const std::string& path)
{
    return StrLeft(path, static_cast<int>(path.size() - FileNamePart(path).size()));
}

bool HasWildcard(const std::string& text)
{
    return MBPos("*", text) > 0 || MBPos("?", text) > 0;
}

namespace {

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string AsciiUpperCase(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded) c = AsciiUpper(c);
    return folded;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

std::string DrivePart(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // "\\server\share": up to the delimiter that ends the share name.
        int delimiters = 0;
        for (int i = 3; i <= static_cast<int>(path.size()); ++i) {
            if (!IsPathDelimiter(path, i)) continue;
            if (++delimiters == 2) return StrLeft(path, i - 1);
        }
        return path;
    }
    return {};
}

std::string GetField(const std::string& text, const std::string& delimiter, int n)
{
    std::string field;
    int counter = 1;
    for (char byte : text) {
        if (delimiter.size() == 1 && byte == delimiter[0])
            ++counter;
        else if (counter == n)
            field.push_back(byte);
    }
    return field;
}

}  // namespace lorvel
