#include "ZipWriter.h"

#include <array>
#include <fstream>

namespace lorvel::tool {

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kCentralHeader = 0x02014b50;
constexpr std::uint32_t kEndOfCentral = 0x06054b50;
constexpr std::uint16_t kUtf8Names = 0x0800;
constexpr std::uint16_t kVersion = 20;
// 1980-01-01 00:00, the earliest time a zip can hold.
constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;
constexpr std::uint16_t kDosTime = 0;
constexpr std::uint64_t kLimit = 0xFFFFFFFFull;

void Put16(std::string& out, std::uint16_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

bool Ascii(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The fields the local and the central header share, from "version needed" on.
std::string Common(const std::string& name, std::uint32_t crc, std::uint32_t size)
{
    std::string out;
    Put16(out, kVersion);
    Put16(out, Ascii(name) ? 0 : kUtf8Names);
    Put16(out, 0);  // stored
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, crc);
    Put32(out, size);
    Put32(out, size);
    Put16(out, static_cast<std::uint16_t>(name.size()));
    Put16(out, 0);  // no extra field
    return out;
}

}  // namespace

std::uint32_t Crc32(const std::string& bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char b : bytes) crc = table[(crc ^ static_cast<unsigned char>(b)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

bool WriteStoredZip(const fs::path& archive, const std::vector<ZipEntry>& entries, std::string& error)
{
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = Shown(archive) + ": cannot be written";
        return false;
    }
    auto fail = [&](const std::string& reason) {
        out.close();
        std::error_code ignored;
        fs::remove(archive, ignored);
        error = reason;
        return false;
    };
    std::string central;
    std::uint64_t offset = 0;
    for (const ZipEntry& entry : entries) {
        if (entry.name.size() > 0xFFFF) return fail(entry.name + ": name too long for a zip");
        std::ifstream in(entry.file, std::ios::binary);
        if (!in) return fail(Shown(entry.file) + ": cannot be read");
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() >= kLimit || offset >= kLimit)
            return fail(Shown(entry.file) + ": 4 GB or more, which a zip without Zip64 cannot hold");
        const std::uint32_t crc = Crc32(bytes);
        const auto size = static_cast<std::uint32_t>(bytes.size());
        const std::string common = Common(entry.name, crc, size);

        std::string local;
        Put32(local, kLocalHeader);
        local += common + entry.name;
        out.write(local.data(), static_cast<std::streamsize>(local.size()));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

        Put32(central, kCentralHeader);
        Put16(central, kVersion);  // made by: MS-DOS, 2.0
        central += common;
        Put16(central, 0);  // no comment
        Put16(central, 0);  // disk 0
        Put16(central, 0);  // internal attributes
        Put32(central, 0);  // external attributes
        Put32(central, static_cast<std::uint32_t>(offset));
        central += entry.name;
        offset += local.size() + bytes.size();
    }
    if (entries.size() > 0xFFFF || offset >= kLimit) return fail("too many files or bytes for a zip without Zip64");
    std::string end;
    Put32(end, kEndOfCentral);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, static_cast<std::uint16_t>(entries.size()));
    Put16(end, static_cast<std::uint16_t>(entries.size()));
    Put32(end, static_cast<std::uint32_t>(central.size()));
    Put32(end, static_cast<std::uint32_t>(offset));
    Put16(end, 0);
    out.write(central.data(), static_cast<std::streamsize>(central.size()));
    out.write(end.data(), static_cast<std::streamsize>(end.size()));
    out.close();
    if (!out) return fail(Shown(archive) + ": cannot be written");
    return true;
}

}  // namespace lorvel::tool
