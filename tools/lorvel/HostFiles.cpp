#include "HostFiles.h"

#include <fstream>
#include <random>
#include <system_error>

namespace lorvel::tool {

namespace {

std::string Fold(std::string name)
{
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

}  // namespace

std::optional<std::string> ReadHostFile(const fs::path& path, std::string& error, std::uintmax_t limit)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        error = Shown(path) + ": no such file";
        return std::nullopt;
    }
    const auto size = fs::file_size(path, ec);
    if (ec) {
        error = Shown(path) + ": " + ec.message();
        return std::nullopt;
    }
    if (size > limit) {
        error =
            Shown(path) + ": " + std::to_string(size) + " bytes, more than the " + std::to_string(limit) + " allowed";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        error = Shown(path) + ": cannot be read";
        return std::nullopt;
    }
    return bytes;
}

bool WriteHostFileAtomic(const fs::path& path, const std::string& bytes, std::string& error)
{
    std::random_device random;
    const fs::path temporary = path.parent_path() / (".lorvel-" + std::to_string(random()) + ".tmp");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            error = Shown(path) + ": cannot be written";
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        error = Shown(path) + ": " + ec.message();
        return false;
    }
    return true;
}

std::optional<fs::path> FindInFolder(const fs::path& folder, const std::string& name)
{
    std::error_code ec;
    const std::string wanted = Fold(name);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (Fold(it->path().filename().string()) == wanted) return it->path();
    return std::nullopt;
}

std::string Shown(const fs::path& path)
{
    return path.generic_string();
}

}  // namespace lorvel::tool
