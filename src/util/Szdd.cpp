#include "util/Szdd.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "util/ShiftJisSearch.h"

namespace lorvel {

namespace {

constexpr unsigned char kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t kWindow = 4096;
constexpr std::size_t kStart = kWindow - 16;  // where the first byte is written
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;

}  // namespace

std::optional<SzddHeader> ReadSzddHeader(const std::string& bytes)
{
    if (bytes.size() < kSzddHeaderSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
    SzddHeader header;
    header.lastCharacter = bytes[9];
    for (int i = 0; i < 4; ++i)
        header.length |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[10 + i])) << (8 * i);
    return header;
}

SzddResult ExpandSzdd(const std::string& input, std::string& output)
{
    const auto header = ReadSzddHeader(input);
    if (!header) {
        output = input;
        return SzddResult::NotCompressed;
    }
    output.clear();
    // Room for what the data can give, not for what the header claims: a 20-byte file
    // may claim 4 GB. Each pair of bytes gives at most 18, so the data gives at most 9
    // times its size.
    const std::size_t data = input.size() - kSzddHeaderSize;
    output.reserve(std::min<std::size_t>(header->length, data * (kMaxMatch / 2)));
    std::array<unsigned char, kWindow> window;
    window.fill(' ');
    std::size_t position = kStart;
    std::size_t in = kSzddHeaderSize;
    const std::size_t end = input.size();
    auto put = [&](unsigned char byte) {
        output.push_back(static_cast<char>(byte));
        window[position] = byte;
        position = (position + 1) % kWindow;
    };
    // The stated length bounds the output, so a corrupt file cannot make it grow
    // beyond what its header promised.
    while (in < end && output.size() < header->length) {
        const unsigned flags = static_cast<unsigned char>(input[in++]);
        for (int bit = 0; bit < 8 && in < end && output.size() < header->length; ++bit) {
            if (flags & (1u << bit)) {
                put(static_cast<unsigned char>(input[in++]));
                continue;
            }
            if (in + 1 >= end) {
                in = end;
                break;
            }
            const unsigned low = static_cast<unsigned char>(input[in++]);
            const unsigned high = static_cast<unsigned char>(input[in++]);
            std::size_t from = low | ((high & 0xF0u) << 4);
            const std::size_t length = (high & 0x0Fu) + kMinMatch;
            for (std::size_t k = 0; k < length && output.size() < header->length; ++k) {
                put(window[from]);
                from = (from + 1) % kWindow;
            }
        }
    }
    return output.size() == header->length ? SzddResult::Expanded : SzddResult::Truncated;
}

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool EndsWithUnderscore(const std::string& path, const LeadByteSet& leads)
{
    const int last = static_cast<int>(path.size());
    return last > 0 && path.back() == '_' && MBByteType(path, last, leads) == ByteType::Single;
}

// This mirrors the system's expander, which the contract tests hold it to, and so
// keeps its own test of the last byte; the copy phase asks EndsWithUnderscore before
// it expands anything.
std::string ExpandedName(const std::string& fileName, const std::optional<SzddHeader>& header)
{
    if (!header || fileName.empty() || fileName.back() != '_') return fileName;
    if (fileName.find('.') == std::string::npos) return fileName;
    std::string name = fileName.substr(0, fileName.size() - 1);
    char last = header->lastCharacter;
    if (last == 0) return name;
    // The platform restores the character in the case of the name around it, not as
    // stored: TESTFILE.XX_ storing 't' gives TESTFILE.XXT.
    bool upper = false;
    for (auto it = name.rbegin(); it != name.rend(); ++it) {
        if (IsAsciiLetter(*it)) {
            upper = *it >= 'A' && *it <= 'Z';
            break;
        }
    }
    if (IsAsciiLetter(last)) last = upper ? static_cast<char>(last & ~0x20) : static_cast<char>(last | 0x20);
    name.push_back(last);
    return name;
}

std::optional<CompressedNaming> CompressedName(const std::string& fileName)
{
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos || dot + 1 == fileName.size()) return std::nullopt;
    // The header holds one byte: a name ending in a double-byte character (or in
    // "_", even as a trail byte) cannot be given back.
    const int size = static_cast<int>(fileName.size());
    if (MBByteType(fileName, size, LeadByteSet::ShiftJis()) != ByteType::Single ||
        EndsWithUnderscore(fileName, LeadByteSet::ShiftJis()))
        return std::nullopt;
    const std::size_t extension = fileName.size() - dot - 1;
    if (extension < 3) return CompressedNaming{fileName + "_", 0};
    return CompressedNaming{fileName.substr(0, fileName.size() - 1) + "_", fileName.back()};
}

std::string CompressSzdd(const std::string& input, char lastCharacter)
{
    std::string out(reinterpret_cast<const char*>(kMagic), sizeof kMagic);
    out.push_back('A');
    out.push_back(lastCharacter);
    const auto length = static_cast<std::uint32_t>(input.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((length >> (8 * i)) & 0xFF));

    // The window as the expander will see it, with chains of earlier positions that
    // start with the same three bytes.
    std::array<unsigned char, kWindow> window;
    window.fill(' ');
    constexpr std::size_t kHashSize = 1 << 14;
    std::vector<std::int64_t> head(kHashSize, -1);
    std::vector<std::int64_t> previous(input.size(), -1);
    auto hash = [&](std::size_t i) {
        return ((static_cast<unsigned char>(input[i]) << 8) ^ (static_cast<unsigned char>(input[i + 1]) << 4) ^
                static_cast<unsigned char>(input[i + 2])) &
               (kHashSize - 1);
    };
    auto insert = [&](std::size_t i) {
        if (i + 2 >= input.size()) return;
        const std::size_t h = hash(i);
        previous[i] = head[h];
        head[h] = static_cast<std::int64_t>(i);
    };

    std::size_t i = 0;
    while (i < input.size()) {
        const std::size_t flagAt = out.size();
        out.push_back(0);
        unsigned flags = 0;
        for (int bit = 0; bit < 8 && i < input.size(); ++bit) {
            std::size_t bestLength = 0;
            std::size_t bestFrom = 0;
            if (i + kMinMatch <= input.size()) {
                int tries = 64;
                for (std::int64_t c = head[hash(i)]; c >= 0 && tries-- > 0; c = previous[static_cast<std::size_t>(c)]) {
                    const std::size_t candidate = static_cast<std::size_t>(c);
                    // Only positions still in the window, and not so close that the
                    // copy would read bytes it has not yet written differently.
                    if (i - candidate > kWindow - kMaxMatch) break;
                    std::size_t n = 0;
                    while (n < kMaxMatch && i + n < input.size() && input[candidate + n] == input[i + n]) ++n;
                    if (n > bestLength) {
                        bestLength = n;
                        bestFrom = candidate;
                        if (n == kMaxMatch) break;
                    }
                }
            }
            if (bestLength >= kMinMatch) {
                const std::size_t windowPosition = (kStart + bestFrom) % kWindow;
                out.push_back(static_cast<char>(windowPosition & 0xFF));
                out.push_back(static_cast<char>(((windowPosition >> 4) & 0xF0) | (bestLength - kMinMatch)));
                for (std::size_t k = 0; k < bestLength; ++k) insert(i + k);
                i += bestLength;
            } else {
                flags |= 1u << bit;
                out.push_back(input[i]);
                insert(i);
                ++i;
            }
        }
        out[flagAt] = static_cast<char>(flags);
    }
    return out;
}

}  // namespace lorvel
