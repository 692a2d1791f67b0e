// The simulated machine the run targets share: one host folder per process, put back
// to the same state before every input, with ASCII shell folders (the fuzz build has
// no Shift-JIS execution set), and a view that answers yes to everything, as the user
// who lets a run do the most.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "../unit/SimulatedStartupContext.h"
#include "platform/virtual/VirtualMachine.h"
#include "run/RunView.h"
#include "run/SetupContext.h"
#include "util/ShiftJisText.h"

namespace lorvel::fuzz {

namespace fs = std::filesystem;
using namespace platform;

constexpr const char* kUser = "C:\\USER";
constexpr const char* kAll = "C:\\ALL";

inline virt::MachineConfig FuzzConfig()
{
    virt::MachineConfig config;
    config.specialFolders = {
        {csidl::kStartMenu, "C:\\USER\\MENU"},
        {csidl::kPrograms, "C:\\USER\\MENU\\PROGRAMS"},
        {csidl::kStartup, "C:\\USER\\MENU\\PROGRAMS\\STARTUP"},
        {csidl::kDesktopDirectory, "C:\\USER\\DESKTOP"},
        {csidl::kSendTo, "C:\\USER\\SENDTO"},
        {csidl::kCommonStartMenu, "C:\\ALL\\MENU"},
        {csidl::kCommonPrograms, "C:\\ALL\\MENU\\PROGRAMS"},
        {csidl::kCommonStartup, "C:\\ALL\\MENU\\PROGRAMS\\STARTUP"},
        {csidl::kCommonDesktopDirectory, "C:\\ALL\\DESKTOP"},
    };
    return config;
}

// A fresh machine in the process's one folder.
class FuzzMachine {
public:
    // A memory file system where there is one: an input costs some fifty host calls.
    FuzzMachine() : root_(Base() / ("lorvel-fuzz-" + std::to_string(::getpid()))) {}
    ~FuzzMachine()
    {
        machine_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    virt::VirtualMachine& Reset()
    {
        machine_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
        machine_ = std::make_unique<virt::VirtualMachine>(root_, FuzzConfig());
        return *machine_;
    }

    void Put(const std::string& path, const std::string& bytes)
    {
        const fs::path host = machine_->HostPath(path);
        fs::create_directories(host.parent_path());
        std::ofstream(host, std::ios::binary) << bytes;
    }

    virt::VirtualMachine& Machine() { return *machine_; }

private:
    static fs::path Base()
    {
        std::error_code ec;
        return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    }

    fs::path root_;
    std::unique_ptr<virt::VirtualMachine> machine_;
};

inline SetupContext FuzzContext(Shell& shell)
{
    SetupContext c = testing::SimulatedStartupContext(shell);
    c.workFolder = "C:\\WINDOWS\\TEMP\\KRTMP1\\";
    return c;
}

// Yes to every question, until the run has asked so often that a user would give up
// (a disk that never comes): then no and cancel. A run that still asks is stuck.
struct YesView final : RunView {
    RunOptions options;
    int questions = 0;
    DeletionAnswer slot = DeletionAnswer::Delete;

    RunOptions ReadOptions() override { return options; }
    void DisableOptions() override {}
    void HideWizard() override {}
    void ShowProgressWindow() override {}
    void SetStatus(const std::string&) override {}
    void ProcessMessages() override {}
    bool Aborted() override { return false; }
    int Ask(const std::string&, const std::string&, int flags) override
    {
        if (++questions > 100000) __builtin_trap();
        const bool givenUp = questions > 200;
        if (flags == box::kQuestionYesNo || flags == box::kWarningYesNo) return givenUp ? box::kNo : box::kYes;
        if (flags == box::kInformationOkCancel) return givenUp ? box::kCancel : box::kOk;
        return box::kOk;
    }
    void ShowProgress(bool) override {}
    void SetProgress(int, int, int) override {}
    void EnableAbort(bool) override {}
    void ShowDetails(const std::string&, const std::string&, bool) override {}
    DeletionAnswer AnswerSlot() override { return slot; }
    void SetAnswerSlot(DeletionAnswer answer) override { slot = answer; }
    void AskDeletion(const std::string&) override { slot = DeletionAnswer::Delete; }
    void CloseProgressWindow() override {}
    void EndWizard() override {}
};

// Every file and folder below the root by its Windows path in upper case, and every
// registry key, from the machine's saved table.
struct Snapshot {
    std::map<std::string, std::string> files;  // "C:\APP\A.TXT" -> bytes, "<dir>" for folders
    std::map<std::string, bool> keys;          // "HKEY_LOCAL_MACHINE\SOFTWARE"
};

inline Snapshot Take(virt::VirtualMachine& machine)
{
    Snapshot shot;
    machine.Save();
    const fs::path root = machine.Root();
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (relative.size() < 1 || relative.find('/') == std::string::npos) {
            if (relative.size() == 1) shot.files[relative + ":\\"] = "<dir>";
            continue;
        }
        std::string path = relative.substr(0, 1) + ":\\" + relative.substr(2);
        for (char& c : path)
            if (c == '/') c = '\\';
        path = UpperCase(path);
        if (entry.is_directory()) {
            shot.files[path] = "<dir>";
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        shot.files[path] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::ifstream in(root / "registry.reg", std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']')
            shot.keys[UpperCase(line.substr(1, line.size() - 2))] = true;
    }
    return shot;
}

}  // namespace lorvel::fuzz
