// The medium a single-file program carries. A descriptor lies in a section of the
// program, which the loader maps at start, so no later change to the file reaches
// it; the files follow the program's last byte, each as a name and a size before its
// bytes, and the descriptor holds their count, place and digest. The reader checks
// everything it is given as it goes and hands each file on in pieces; the digest is
// that of the very bytes handed on, so a file changed while it is read is caught.
//
//   file:  [program][section ".lvmed": descriptor][files][signature, when signed]
//   files: ( u16 name length | name (Shift-JIS) | u64 size | bytes )*count
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/Sha256.h"

namespace lorvel {

constexpr const char* kCarriedSectionName = ".lvmed";
constexpr std::size_t kCarriedDescriptorSize = 64;

struct CarriedDescriptor {
    std::uint32_t count = 0;
    std::uint64_t offset = 0;  // of the first file, in the program's file
    std::uint64_t length = 0;  // of all the files
    Sha256::Digest digest{};   // of those length bytes
};

std::string SerializeDescriptor(const CarriedDescriptor& descriptor);
// nullopt when the bytes are no descriptor of this format.
std::optional<CarriedDescriptor> ParseDescriptor(std::string_view bytes);

struct CarriedFile {
    std::string name;
    std::string_view bytes;
};
// The files as they follow the program; the descriptor receives their count, length
// and digest (its offset is the caller's).
std::string SerializeCarriedFiles(const std::vector<CarriedFile>& files, CarriedDescriptor& descriptor);

// One plain file name that lands in the folder it is written to and nowhere else:
// no folder, drive or stream part, no "." or "..", no device name, nothing the
// system would change (a final dot or space).
bool IsCarriedName(const std::string& name);

enum class CarriedFault {
    None,
    Layout,    // the parts do not fit together
    CutShort,  // the file ends before the files it says it carries
    Digest,    // the bytes are not those packed
    Name,      // a name that could land elsewhere, or twice
    Read,      // the program's file could not be read
    Write,     // a file could not be written where it goes
};

// Where the files go, one after another.
class CarriedSink {
public:
    virtual ~CarriedSink() = default;
    virtual std::uint32_t Begin(const std::string& name) = 0;
    virtual std::uint32_t Write(std::string_view bytes) = 0;
    virtual std::uint32_t End() = 0;
};

// Up to size bytes at offset of the program's file: fewer only where it ends; a
// Windows error code when it cannot be read.
using CarriedReadAt = std::function<std::uint32_t(std::uint64_t offset, std::size_t size, std::string& bytes)>;

struct CarriedResult {
    CarriedFault fault = CarriedFault::None;
    std::uint32_t error = 0;  // the system's, for Read and Write
    std::string name;         // the file concerned, where there is one
    std::uint64_t files = 0;
};

CarriedResult UnpackCarried(const CarriedDescriptor& descriptor, const CarriedReadAt& readAt, CarriedSink& sink,
                            std::size_t chunk = 4u << 20);

}  // namespace lorvel
