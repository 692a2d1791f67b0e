// Text conversions at the tool's edge: scripts written in UTF-8 become Shift-JIS
// for the medium, and Shift-JIS texts are shown in the terminal's encoding.
#pragma once

#include <optional>
#include <string>

namespace lorvel::tool {

// nullopt when a character has no Shift-JIS form.
std::optional<std::string> Utf8ToShiftJis(const std::string& utf8);
// For the terminal; a text that does not convert is shown as it is.
std::string ShiftJisToTerminal(const std::string& sjis);
// For reports, which are UTF-8 on every host; a text that does not convert stays
// as it is, for the report's writer to replace its bytes.
std::string ShiftJisToUtf8(const std::string& sjis);
// A UTF-8 report for the terminal.
std::string Utf8ToTerminal(const std::string& utf8);

// A file name of the script as the host's file system spells it (UTF-8 on Linux,
// the same bytes on a Windows whose code page is 932).
std::string ShiftJisToHostName(const std::string& sjis);

// Whether the error stream is a terminal, where a progress bar may be drawn.
bool ErrorStreamIsTerminal();

}  // namespace lorvel::tool
