#include "util/PeImage.h"

#include <algorithm>
#include <cstring>

namespace lorvel {

namespace {

constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kInitializedReadOnlyData = 0x40000040;  // initialized data, readable
constexpr int kSecurityDirectory = 4;

std::uint32_t Read(std::string_view bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

void Write(std::string& bytes, std::size_t at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

std::uint32_t AlignUp(std::uint64_t value, std::uint32_t alignment)
{
    return static_cast<std::uint32_t>((value + alignment - 1) / alignment * alignment);
}

// Where the headers' parts begin, once each has been seen to lie within the bytes.
struct Headers {
    std::size_t coff = 0;      // the file header, after "PE\0\0"
    std::size_t optional = 0;  // the optional header
    std::size_t sections = 0;  // the first section header
    unsigned sectionCount = 0;
    bool wide = false;  // PE32+: a 64-bit program
};

std::optional<Headers> ReadHeaders(std::string_view bytes)
{
    if (bytes.size() < 0x40 || bytes.substr(0, 2) != "MZ") return std::nullopt;
    const std::size_t pe = Read(bytes, 0x3C, 4);
    if (pe > bytes.size() || bytes.size() - pe < 24 || bytes.substr(pe, 4) != std::string_view("PE\0\0", 4))
        return std::nullopt;
    Headers h;
    h.coff = pe + 4;
    h.sectionCount = Read(bytes, h.coff + 2, 2);
    const std::size_t optionalSize = Read(bytes, h.coff + 16, 2);
    h.optional = h.coff + 20;
    h.sections = h.optional + optionalSize;
    if (optionalSize < 96 || h.sections + kSectionHeaderSize * h.sectionCount > bytes.size()) return std::nullopt;
    const std::uint32_t magic = Read(bytes, h.optional, 2);
    if (magic != 0x10B && magic != 0x20B) return std::nullopt;
    h.wide = magic == 0x20B;
    return h;
}

bool NameIs(std::string_view bytes, std::size_t header, std::string_view name)
{
    char stored[9] = {};
    std::memcpy(stored, bytes.data() + header, 8);
    return name.size() <= 8 && std::string_view(stored) == name;
}

// The certificate table's entry in the data directories; 0 when there is none.
std::size_t SecurityEntry(std::string_view exe, const Headers& h)
{
    const std::size_t directories = h.optional + (h.wide ? 112 : 96);
    const std::uint32_t count = Read(exe, h.optional + (h.wide ? 108 : 92), 4);
    if (count <= kSecurityDirectory || directories + 8 * (kSecurityDirectory + 1) > h.sections) return 0;
    return directories + 8 * kSecurityDirectory;
}

}  // namespace

std::optional<std::string_view> FindPeSection(std::string_view image, std::string_view name, PeLayout layout)
{
    const auto h = ReadHeaders(image);
    if (!h) return std::nullopt;
    for (unsigned i = 0; i < h->sectionCount; ++i) {
        const std::size_t header = h->sections + kSectionHeaderSize * i;
        if (!NameIs(image, header, name)) continue;
        const std::uint64_t virtualSize = Read(image, header + 8, 4);
        const std::uint64_t rawSize = Read(image, header + 16, 4);
        const std::uint64_t start = Read(image, header + (layout == PeLayout::Mapped ? 12 : 20), 4);
        const std::uint64_t size = layout == PeLayout::Mapped ? virtualSize : std::min(virtualSize, rawSize);
        if (start > image.size() || image.size() - start < size) return std::nullopt;
        return image.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(size));
    }
    return std::nullopt;
}

bool AddPeSection(std::string& exe, std::string_view name, std::string_view data, std::string& error)
{
    const auto h = ReadHeaders(exe);
    if (!h || name.size() > 8) {
        error = "not a Windows program";
        return false;
    }
    const std::size_t opt = h->optional;
    const std::uint32_t sectionAlignment = Read(exe, opt + 32, 4);
    const std::uint32_t fileAlignment = Read(exe, opt + 36, 4);
    const std::uint32_t headersSize = Read(exe, opt + 60, 4);
    const std::size_t directories = opt + (h->wide ? 112 : 96);
    const std::uint32_t directoryCount = Read(exe, opt + (h->wide ? 108 : 92), 4);
    if (sectionAlignment == 0 || fileAlignment == 0 || directories + 8 * directoryCount > h->sections) {
        error = "the program's header cannot be read";
        return false;
    }
    // A signature covers the file as it was: it goes, and the file is signed anew.
    if (const std::size_t entry = SecurityEntry(exe, *h); entry != 0) {
        const std::uint32_t at = Read(exe, entry, 4);
        if (at != 0 && at <= exe.size()) exe.resize(at);
        Write(exe, entry, 0, 4);
        Write(exe, entry + 4, 0, 4);
    }
    std::uint64_t imageEnd = 0;
    std::uint64_t firstRaw = exe.size();
    for (unsigned i = 0; i < h->sectionCount; ++i) {
        const std::size_t header = h->sections + kSectionHeaderSize * i;
        const std::uint64_t virtualEnd =
            std::uint64_t{Read(exe, header + 12, 4)} + std::max(Read(exe, header + 8, 4), Read(exe, header + 16, 4));
        imageEnd = std::max(imageEnd, virtualEnd);
        if (Read(exe, header + 16, 4) != 0) firstRaw = std::min<std::uint64_t>(firstRaw, Read(exe, header + 20, 4));
    }
    const std::size_t newHeader = h->sections + kSectionHeaderSize * h->sectionCount;
    if (newHeader + kSectionHeaderSize > std::min<std::uint64_t>(headersSize, firstRaw) ||
        exe.find_first_not_of('\0', newHeader) < newHeader + kSectionHeaderSize) {
        error = "the program's header has no room for one more section";
        return false;
    }
    const std::uint32_t rawAt = AlignUp(exe.size(), fileAlignment);
    const std::uint32_t rawSize = AlignUp(data.size(), fileAlignment);
    const std::uint32_t virtualAt = AlignUp(imageEnd, sectionAlignment);
    exe.resize(rawAt, '\0');
    exe.append(data.data(), data.size());
    exe.resize(std::size_t{rawAt} + rawSize, '\0');
    std::memcpy(exe.data() + newHeader, name.data(), name.size());
    Write(exe, newHeader + 8, static_cast<std::uint32_t>(data.size()), 4);
    Write(exe, newHeader + 12, virtualAt, 4);
    Write(exe, newHeader + 16, rawSize, 4);
    Write(exe, newHeader + 20, rawAt, 4);
    Write(exe, newHeader + 36, kInitializedReadOnlyData, 4);
    Write(exe, h->coff + 2, h->sectionCount + 1, 2);
    Write(exe, opt + 8, Read(exe, opt + 8, 4) + rawSize, 4);  // size of initialized data
    Write(exe, opt + 56, AlignUp(std::uint64_t{virtualAt} + data.size(), sectionAlignment), 4);
    return true;
}

bool PeIsSigned(std::string_view exe)
{
    const auto h = ReadHeaders(exe);
    const std::size_t entry = h ? SecurityEntry(exe, *h) : 0;
    return entry != 0 && Read(exe, entry + 4, 4) != 0;
}

void UpdatePeChecksum(std::string& exe)
{
    const auto h = ReadHeaders(exe);
    if (!h) return;
    const std::size_t field = h->optional + 64;
    Write(exe, field, 0, 4);
    // Sums of 16-bit words with the carry folded back, plus the file's length.
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < exe.size(); i += 2) {
        sum += static_cast<unsigned char>(exe[i]);
        if (i + 1 < exe.size()) sum += std::uint64_t{static_cast<unsigned char>(exe[i + 1])} << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    Write(exe, field, static_cast<std::uint32_t>(sum + exe.size()), 4);
}

}  // namespace lorvel
