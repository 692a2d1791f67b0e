// SHA-256 of a byte string, as 64 lower-case hexadecimal digits. The install vouches
// for its uninstall record and components with it, and the uninstall checks them.
//
//   Sha256Hex("abc") => "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lorvel {

// The same digest over bytes that arrive in pieces, for what is too large to hold.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;
    // processorRounds: the processor's SHA instructions where it has them (the same
    // digest, faster); false keeps to the portable rounds.
    explicit Sha256(bool processorRounds = true) : processorRounds_(processorRounds) {}
    void Update(std::string_view bytes);
    Digest Finish();

private:
    std::array<std::uint32_t, 8> state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    unsigned char block_[64] = {};
    std::size_t pending_ = 0;
    std::uint64_t length_ = 0;
    bool processorRounds_;
};

std::string Sha256Hex(std::string_view bytes);

}  // namespace lorvel
