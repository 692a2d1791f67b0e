// The host's conversions through iconv.
#include <iconv.h>
#include <unistd.h>

#include "HostText.h"

namespace lorvel::tool {

namespace {

std::optional<std::string> Convert(const char* to, const char* from, const std::string& text)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToShiftJis(const std::string& utf8) { return Convert("CP932", "UTF-8", utf8); }

std::string ShiftJisToTerminal(const std::string& sjis) { return Convert("UTF-8", "CP932", sjis).value_or(sjis); }

std::string ShiftJisToUtf8(const std::string& sjis) { return ShiftJisToTerminal(sjis); }

std::string Utf8ToTerminal(const std::string& utf8) { return utf8; }

std::string ShiftJisToHostName(const std::string& sjis) { return Convert("UTF-8", "CP932", sjis).value_or(sjis); }

bool ErrorStreamIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace lorvel::tool
