// The product's title, as the windows show it and as the record's header names the
// product; like the fixed file names, it never changes.
#pragma once

namespace lorvel {

#define LORVEL_PRODUCT_TITLE "Lorvel Setup 98"

// The title of the product, and its name with the edition, as the windows show them.
constexpr const char* kProductTitle = LORVEL_PRODUCT_TITLE;
constexpr const char* kProductName = LORVEL_PRODUCT_TITLE " Standard";

}  // namespace lorvel
