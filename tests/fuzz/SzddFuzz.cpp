// Any bytes expand without reading or writing outside the buffers, and never to more
// than the header promised; what the compressor makes expands to the bytes again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "util/Szdd.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string expanded;
    const lorvel::SzddResult result = lorvel::ExpandSzdd(bytes, expanded);
    const auto header = lorvel::ReadSzddHeader(bytes);
    if (!header) {
        if (result != lorvel::SzddResult::NotCompressed || expanded != bytes) __builtin_trap();
    } else {
        if (expanded.size() > header->length) __builtin_trap();
        if ((result == lorvel::SzddResult::Expanded) != (expanded.size() == header->length)) __builtin_trap();
        // A file cannot make room for more than its data can decode to (each pair of
        // bytes gives at most 18), whatever its header claims.
        if (expanded.capacity() > 9 * size + 64) __builtin_trap();
    }
    lorvel::ExpandedName("README.TX_", header);
    std::string again;
    const char last = size ? static_cast<char>(data[0]) : 'X';
    if (lorvel::ExpandSzdd(lorvel::CompressSzdd(bytes, last), again) != lorvel::SzddResult::Expanded || again != bytes)
        __builtin_trap();
    return 0;
}
