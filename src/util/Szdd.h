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
//   ExpandedName("readme.tx_", header with 'T') => "readme.txt"
//   ExpandedName("Read.tX_", header with 't')   => "Read.tXT"
//   ExpandedName("readme.tx_", header with 0)   => "readme.tx"
//   ExpandedName("README_", header with 'T')    => "README_"
//
//   CompressedName("README.TXT") => {"README.TX_", 'T'}
//   CompressedName("APP.DB")     => {"APP.DB_", 0}
//   CompressedName("README")     => nullopt
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "util/ShiftJisSearch.h"

namespace lorvel {

// Whether the last character is "_", the mark of an LZ-compressed file (a trail
// byte 0x5F of a double-byte character is no mark), by the code page's lead bytes:
// the running system's unless told.
bool EndsWithUnderscore(const std::string& path, const LeadByteSet& leads = ActiveLeadBytes());

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

// The name a compressed file had before compression, as GetExpandedName gives it: the
// stored character takes the case of the last letter before the "_" (lower case when
// there is none), and a name without a "." is left as it is.
std::string ExpandedName(const std::string& fileName, const std::optional<SzddHeader>& header);

struct CompressedNaming {
    std::string name;        // the name on the medium, ending in "_"
    char lastCharacter = 0;  // what the header stores, 0 for none
};

// The conventional name of a compressed file: a three-character extension loses its
// last character to "_" and the header keeps it; a shorter one gains "_". A name
// without an extension, or one that already ends in "_", has none, since the
// expanded name could not give it back.
std::optional<CompressedNaming> CompressedName(const std::string& fileName);

// Compresses into the SZDD format, storing the last character of the original name.
std::string CompressSzdd(const std::string& input, char lastCharacter);

}  // namespace lorvel
