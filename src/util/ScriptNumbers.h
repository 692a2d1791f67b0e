// The one conversion for every number a script gives: leading blanks skipped, then
// either an optional sign and decimal digits within the signed 32-bit range, or "$"
// and one to eight hexadecimal digits of either case, which may give any 32-bit
// pattern. Anything else, nothing at all, or anything after the digits fails.
//
//   "$10" => 16   " -1" => -1   "$FFFFFFFF" => -1   "2147483648" => nullopt   "12 " => nullopt
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lorvel {

std::optional<std::int32_t> ConvertScriptInteger(std::string_view text);

}  // namespace lorvel
