// The SZDD format of the platform's LZ compression ("COMPRESS.EXE" files whose names
// end in "_"): a 14-byte header, then LZSS data with a 4,096-byte window.
//
//   header: "SZDD" 0x88 0xF0 0x27 0x33, the mode "A", the last character of the
//           original name (0 when not stored), the expanded length (32-bit, LE)
//   data:   a flag byte, then eight items, one per flag bit from the lowest: a set
//           bit is a literal byte; a clear bit is a pair of bytes giving a window
//           position (12 bits) and a length (4 bits, plus 3)
//
//   ExpandedName("README.TX_", header with 'T') => "README.TXT"
//   ExpandedName("readme.tx_", header with 0)   => "readme.tx"
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lorvel {

struct SzddHeader {
    char lastCharacter = 0;
    std::uint32_t length = 0;
};

constexpr std::size_t kSzddHeaderSize = 14;

// The header when the bytes begin with one.
std::optional<SzddHeader> ReadSzddHeader(const std::string& bytes);

enum class SzddResult {
    Expanded,       // the whole stated length came out
    NotCompressed,  // no SZDD header: the bytes are the file itself, as the platform copies them
    Truncated,      // the data ended before the stated length
};

// Expands a whole file. A truncated or corrupt file gives what could be decoded and
// Truncated; nothing is read or written outside the buffers.
SzddResult ExpandSzdd(const std::string& input, std::string& output);

// The name a compressed file had before compression, as GetExpandedName gives it.
std::string ExpandedName(const std::string& fileName, const std::optional<SzddHeader>& header);

// Compresses into the SZDD format, storing the last character of the original name.
std::string CompressSzdd(const std::string& input, char lastCharacter);

}  // namespace lorvel
