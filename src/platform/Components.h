// Self-registering component libraries: load one by path and call its entry points.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace lorvel::platform {

// A loaded library; it is unloaded when this is destroyed.
class ComponentLibrary {
public:
    virtual ~ComponentLibrary() = default;
    // Calls an exported function without arguments ("DllRegisterServer"); nullopt
    // when the library has no such export.
    virtual std::optional<std::int32_t> Call(const std::string& entryPoint) = 0;
};

class Components {
public:
    virtual ~Components() = default;
    // Null when the library cannot be loaded.
    virtual std::unique_ptr<ComponentLibrary> Load(const std::string& path) = 0;
};

}  // namespace lorvel::platform
