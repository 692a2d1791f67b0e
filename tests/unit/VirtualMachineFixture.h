// A fresh simulated machine in its own host folder, removed afterwards.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/virtual/VirtualMachine.h"
#include "run/SetupContext.h"

namespace lorvel::testing {

class ScratchFolder {
public:
    ScratchFolder();
    // A new folder holding a copy of from.
    explicit ScratchFolder(const std::filesystem::path& from);
    ~ScratchFolder();
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct TestMachine {
    explicit TestMachine(platform::virt::MachineConfig config = {});
    // A machine opened on a copy of the root another one left (a snapshot it wrote).
    TestMachine(const std::filesystem::path& from, platform::virt::MachineConfig config);
    ScratchFolder scratch;
    platform::virt::VirtualMachine machine;
    platform::Platform platform;

    // Creates a file with the given content, and its folders.
    void Put(const std::string& path, const std::string& content = "x");
    // What the file holds, whatever faults the machine has; "<missing>" when there is none.
    std::string Get(const std::string& path);
    // Another program renames folder away and puts a link to target in its place.
    void SwapForLink(const std::string& folder, const std::string& target);
    // The context start-up would make on this machine: the system folders and every
    // shell folder the machine has, each with its "\", and a pause of 1 ms.
    SetupContext StartupContext();
};

// Every file and folder below the machine's root by its host path there
// ("C/APP/A.TXT"): a file's bytes, "<dir>" for a folder; what skip names is left out.
// The machine saves its tables first.
std::map<std::string, std::string> HostTree(platform::virt::VirtualMachine& machine,
                                            const std::function<bool(const std::string& relative)>& skip);

}  // namespace lorvel::testing
