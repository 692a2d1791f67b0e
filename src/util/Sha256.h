// SHA-256 of a byte string, as 64 lower-case hexadecimal digits. The install vouches
// for its uninstall record and components with it, and the uninstall checks them.
//
//   Sha256Hex("abc") => "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"
#pragma once

#include <string>
#include <string_view>

namespace lorvel {

std::string Sha256Hex(std::string_view bytes);

}  // namespace lorvel
