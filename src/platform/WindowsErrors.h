// The Windows error codes the program tests for by number. The platform layer
// returns these as plain numbers on every backend.
#pragma once

#include <cstdint>

namespace lorvel::platform {

using ErrorCode = std::uint32_t;

constexpr ErrorCode kErrorSuccess = 0;
constexpr ErrorCode kErrorFileNotFound = 2;
constexpr ErrorCode kErrorPathNotFound = 3;
constexpr ErrorCode kErrorAccessDenied = 5;
constexpr ErrorCode kErrorInvalidHandle = 6;
constexpr ErrorCode kErrorNotEnoughMemory = 8;
constexpr ErrorCode kErrorInvalidData = 13;
constexpr ErrorCode kErrorNoMoreFiles = 18;
constexpr ErrorCode kErrorSharingViolation = 32;
constexpr ErrorCode kErrorFileExists = 80;
constexpr ErrorCode kErrorInvalidParameter = 87;
constexpr ErrorCode kErrorDiskFull = 112;
constexpr ErrorCode kErrorInvalidName = 123;
constexpr ErrorCode kErrorModNotFound = 126;
constexpr ErrorCode kErrorProcNotFound = 127;
constexpr ErrorCode kErrorDirNotEmpty = 145;
constexpr ErrorCode kErrorBadPathName = 161;
constexpr ErrorCode kErrorAlreadyExists = 183;
constexpr ErrorCode kErrorFilenameExcedRange = 206;
constexpr ErrorCode kErrorFileTooLarge = 223;
constexpr ErrorCode kErrorMoreData = 234;
constexpr ErrorCode kErrorNoUnicodeTranslation = 1113;

}  // namespace lorvel::platform
