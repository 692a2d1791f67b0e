#include "app/RunLog.h"

#include <cstdio>

namespace lorvel {

namespace {

std::string OneLine(const std::string& text)
{
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            line += " | ";
        } else {
            line.push_back(c);
        }
    }
    return line;
}

}  // namespace

std::string RunLog::Stamp(const platform::LocalTime& t)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return stamp;
}

platform::ErrorCode RunLog::Open(const std::string& path)
{
    // Made empty the safe way (never through a link), then written on at its end.
    platform::ErrorCode code = platform_.files.WriteWholeFile(path, "");
    if (code == platform::kErrorSuccess) file_ = platform_.files.OpenAppender(path, code);
    if (code == platform::kErrorSuccess) path_ = path;
    return code;
}

void RunLog::Line(const std::string& text)
{
    if (path_.empty()) return;
    const std::string line = OneLine(text);
    // A text that is no Shift-JIS is logged with its odd bytes replaced, never lost.
    std::string utf8;
    if (auto converted = platform_.system.ShiftJisToUtf8(line)) {
        utf8 = std::move(*converted);
    } else {
        for (char c : line) utf8.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    }
    file_->Append(Stamp(platform_.system.GetLocalTime()) + " " + utf8 + "\r\n");
}

}  // namespace lorvel
