#include "util/PathResolution.h"

#include <vector>

#include "util/ShiftJisText.h"

namespace lorvel {

namespace {

// Windows drops trailing dots and blanks of a name: "WINDOWS." is the Windows folder.
std::string_view WindowsName(std::string_view name)
{
    if (name == "." || name == "..") return name;
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
    return name;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

std::string WithDelimiter(const std::string& folder)
{
    return EndsWithPathDelimiter(folder) ? folder : folder + "\\";
}

}  // namespace

bool IsAbsolutePath(const std::string& path)
{
    if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2]) &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        return true;
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != '?' && path[2] != '.' &&
           !IsSeparator(path[2]);
}

std::optional<std::string> ResolvePath(const std::string& path, const std::string& currentFolder)
{
    // The system ends a path at its first NUL, so a check of the rest would not be of
    // the path used.
    if (path.find('\0') != std::string::npos) return std::nullopt;
    std::string resolved;  // the root, then the names kept
    std::string_view rest;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // "\\?\" and "\\.\" reach devices and skip the system's own path rules.
        if (path.size() >= 3 && (path[2] == '?' || path[2] == '.')) return std::nullopt;
        // "\\server\share\": the first two names are the root.
        std::string_view names[2];
        int count = 0;
        std::size_t restStart = std::string::npos;
        const std::string_view text = std::string_view(path).substr(2);
        ForEachPathComponent(text, [&](std::string_view name) {
            if (count < 2)
                names[count] = name;
            else if (count == 2)
                restStart = static_cast<std::size_t>(name.data() - text.data());
            ++count;
        });
        if (count < 2 || names[0].empty() || names[1].empty()) return std::nullopt;
        resolved.append("\\\\").append(names[0]).append("\\").append(names[1]).append("\\");
        if (restStart != std::string::npos) rest = text.substr(restStart);
    } else if (path.size() >= 2 && path[1] == ':' && MBByteType(path, 1) == ByteType::Single) {
        if (path.size() == 2 || !IsSeparator(path[2])) return std::nullopt;  // "C:a" is relative to an unknown folder
        resolved = path.substr(0, 2) + "\\";
        rest = std::string_view(path).substr(3);
    } else {
        // Relative to the current folder, or to its drive's root after a leading "\".
        const bool drivePath = currentFolder.size() >= 3 && currentFolder[1] == ':' && IsSeparator(currentFolder[2]);
        if (!drivePath) return std::nullopt;
        if (!path.empty() && IsSeparator(path[0])) return ResolvePath(currentFolder.substr(0, 2) + path, {});
        return ResolvePath(WithDelimiter(currentFolder) + path, {});
    }
    // Where each kept name begins, its "\" included: ".." cuts the last one off.
    const std::size_t rootSize = resolved.size();
    resolved.reserve(rootSize + rest.size());
    std::vector<std::size_t> kept;
    ForEachPathComponent(rest, [&](std::string_view raw) {
        const std::string_view name = WindowsName(raw);
        if (name.empty() || name == ".") return;
        if (name == "..") {
            if (!kept.empty()) {
                resolved.resize(kept.back());
                kept.pop_back();
            }
            return;
        }
        kept.push_back(resolved.size());
        if (resolved.size() > rootSize) resolved += '\\';
        resolved += name;
    });
    return UpperCase(resolved);
}

}  // namespace lorvel
