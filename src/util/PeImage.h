// The few parts of a Windows program file (the PE format) that a single-file medium
// needs: a named section found in the file or in the image the loader mapped, and a
// section added to a program the author's tool packs.
//
//   FindPeSection(setupExeBytes, ".lvmed", PeLayout::File)  => the section's bytes, or nullopt
//   AddPeSection(exe, ".lvmed", descriptor, error)          => exe grows by the section; false with a reason
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvel {

// File: the bytes as they lie on disk. Mapped: the image as the loader laid it out
// in memory, sections at their virtual addresses.
enum class PeLayout { File, Mapped };

// The bytes of the first section with that name (at most 8 characters), bounded by
// the view; nullopt when the bytes are no program or hold no such section.
std::optional<std::string_view> FindPeSection(std::string_view image, std::string_view name, PeLayout layout);

// Adds a section of initialized, read-only data after every byte the program has,
// and strips a signature it carries, which the change would break anyway. False with
// the reason when the bytes are no program or its header has no room for one more
// section.
bool AddPeSection(std::string& exe, std::string_view name, std::string_view data, std::string& error);

// Whether the program carries a signature (its certificate table is not empty).
bool PeIsSigned(std::string_view exe);

// Recomputes the header's checksum over the whole file, as the system's tools do.
void UpdatePeChecksum(std::string& exe);

}  // namespace lorvel
