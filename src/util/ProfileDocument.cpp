#include "util/ProfileDocument.h"

#include "util/ShiftJisText.h"

namespace lorvel {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& text)
{
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

using LineKind = ProfileLine::Kind;
using Parsed = ProfileLine;

Parsed ParseLine(const std::string& raw)
{
    Parsed parsed;
    const std::string line = Trim(raw);
    if (line.empty()) return parsed;
    if (line[0] == '[') {
        const auto close = line.rfind(']');
        if (close != std::string::npos && close > 0) {
            parsed.kind = LineKind::Header;
            parsed.name = Trim(line.substr(1, close - 1));
            return parsed;
        }
    }
    parsed.kind = LineKind::Entry;
    const auto equals = line.find('=');
    if (equals == std::string::npos) {
        parsed.name = line;
        return parsed;
    }
    parsed.name = Trim(line.substr(0, equals));
    parsed.hasValue = true;
    std::string value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    parsed.value = value;
    return parsed;
}

}  // namespace

std::string FoldProfileName(const std::string& name)
{
    return AsciiUpperCase(name);
}

std::string ProfileDocument::Normalise(const std::string& name)
{
    return FoldProfileName(Trim(name));
}

ProfileDocument ProfileDocument::Parse(const std::string& bytes)
{
    ProfileDocument document;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find_first_of("\r\n", start);
        Line line;
        if (end == std::string::npos) {
            line.text = bytes.substr(start);
            start = bytes.size();
        } else {
            const bool crlf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
            const std::size_t next = end + (crlf ? 2 : 1);
            line.text = bytes.substr(start, end - start);
            line.ending = bytes.substr(end, next - end);
            start = next;
        }
        document.lines_.push_back(std::move(line));
    }
    document.Index();
    return document;
}

void ProfileDocument::Index()
{
    sections_.clear();
    sectionIndex_.clear();
    sections_.push_back(Section{kNone, 0, {}});
    sectionIndex_.emplace("", 0);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Parsed parsed = ParseLine(lines_[i].text);
        if (parsed.kind == LineKind::Header) {
            sections_.back().end = i;
            sections_.push_back(Section{i, 0, {}});
            const std::string name = FoldProfileName(parsed.name);
            // Windows reads an explicit "[]" before the lines above the first section;
            // Wine does not, and we follow Windows.
            if (name.empty() && sectionIndex_[name] == 0)
                sectionIndex_[name] = sections_.size() - 1;
            else
                sectionIndex_.emplace(name, sections_.size() - 1);
        } else if (parsed.kind == LineKind::Entry) {
            sections_.back().keys.emplace(FoldProfileName(parsed.name), i);
        }
    }
    sections_.back().end = lines_.size();
}

std::vector<ProfileLine> ProfileDocument::ReadLines() const
{
    std::vector<ProfileLine> lines;
    lines.reserve(lines_.size());
    for (const Line& line : lines_) lines.push_back(ParseLine(line.text));
    return lines;
}

std::optional<std::string> ProfileDocument::Read(const std::string& section, const std::string& key) const
{
    const auto found = sectionIndex_.find(Normalise(section));
    if (found == sectionIndex_.end()) return std::nullopt;
    const Section& s = sections_[found->second];
    const auto entry = s.keys.find(Normalise(key));
    if (entry == s.keys.end()) return std::nullopt;
    Parsed parsed = ParseLine(lines_[entry->second].text);
    if (!parsed.hasValue) return std::nullopt;
    return parsed.value;
}

void ProfileDocument::Write(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string sectionName = Trim(section);
    const std::string keyName = Trim(key);
    const auto found = sectionIndex_.find(FoldProfileName(sectionName));
    if (found != sectionIndex_.end()) {
        Section& s = sections_[found->second];
        const auto entry = s.keys.find(FoldProfileName(keyName));
        if (entry != s.keys.end()) {
            lines_[entry->second].text = ParseLine(lines_[entry->second].text).name + "=" + value;
            return;
        }
        // A new key goes behind the last line of the section that is not blank.
        std::size_t at = s.end;
        const std::size_t first = s.header == kNone ? 0 : s.header + 1;
        while (at > first && Trim(lines_[at - 1].text).empty()) --at;
        if (at > 0 && lines_[at - 1].ending.empty()) lines_[at - 1].ending = "\r\n";
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{keyName + "=" + value, "\r\n"});
        // Only the sections behind this one move; a run of keys added to the last
        // section therefore costs nothing extra.
        for (std::size_t i = found->second + 1; i < sections_.size(); ++i) {
            Section& later = sections_[i];
            ++later.header;
            ++later.end;
            for (auto& entryLine : later.keys) ++entryLine.second;
        }
        ++s.end;
        s.keys.emplace(FoldProfileName(keyName), at);
        return;
    }
    if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = "\r\n";
    sections_.back().end = lines_.size();
    lines_.push_back(Line{"[" + sectionName + "]", "\r\n"});
    sections_.push_back(Section{lines_.size() - 1, 0, {}});
    sectionIndex_.emplace(FoldProfileName(sectionName), sections_.size() - 1);
    lines_.push_back(Line{keyName + "=" + value, "\r\n"});
    sections_.back().keys.emplace(FoldProfileName(keyName), lines_.size() - 1);
    sections_.back().end = lines_.size();
}

bool ProfileDocument::RemoveSection(const std::string& section)
{
    const auto found = sectionIndex_.find(Normalise(section));
    if (found == sectionIndex_.end()) return false;
    const Section& s = sections_[found->second];
    // The nameless top section has no header line; only its lines go.
    const std::size_t first = s.header == kNone ? 0 : s.header;
    if (first == s.end) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first),
                 lines_.begin() + static_cast<std::ptrdiff_t>(s.end));
    Index();
    return true;
}

bool ProfileDocument::RemoveKey(const std::string& section, const std::string& key)
{
    const auto found = sectionIndex_.find(Normalise(section));
    if (found == sectionIndex_.end()) return false;
    const Section& s = sections_[found->second];
    const auto entry = s.keys.find(FoldProfileName(Trim(key)));
    if (entry == s.keys.end()) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(entry->second));
    Index();
    return true;
}

std::string ProfileDocument::Serialize() const
{
    std::size_t size = 0;
    for (const Line& line : lines_) size += line.text.size() + line.ending.size();
    std::string bytes;
    bytes.reserve(size);
    for (const Line& line : lines_) {
        bytes += line.text;
        bytes += line.ending;
    }
    return bytes;
}

}  // namespace lorvel
