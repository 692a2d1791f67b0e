// The version text shown in the background window's caption, built from the
// program's FileVersion string.
//
//   BuildVersionText("1.2.3.45")  => "1.23β1(Build:0045)"
//   BuildVersionText("1.5")       => "1.00β1(Build:0005)"
//   BuildVersionText("")          => "0.00β1(Build:0000)"
#pragma once

#include <string>

namespace lorvel {

std::string BuildVersionText(const std::string& fileVersion);

}  // namespace lorvel
