// A simulated machine with the folders start-up finds, for tests of the phases after
// the copy: shortcuts, registry values, profile entries and associations.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../VirtualMachineFixture.h"
#include "../run/RecordingView.h"
#include "install/InstallRun.h"

namespace lorvel::testing {

using namespace platform;

// Everything an install run needs, fresh for each row of a table.
struct SettingsMachine {
    TestMachine vm;
    ProfileStore profiles{vm.platform.files, "C:\\WINDOWS"};
    FileOps ops{vm.platform};
    SetupContext context;
    RecordingView view;
    SharedFiles shared{vm.platform, true, nullptr};

    static constexpr const char* kPrograms = "C:\\MENU\\PROGRAMS\\";

    SettingsMachine()
    {
        context.sourceFolder = "E:\\";
        context.workFolder = "C:\\WORK\\";
        context.scriptFile = "C:\\WORK\\SETUP.INI";
        context.setupSpeed = 1;
        context.windowsFolder = "C:\\WINDOWS\\";
        context.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
        context.tempFolder = "C:\\WINDOWS\\TEMP\\";
        context.startMenuFolder = "C:\\MENU\\";
        context.programsFolder = kPrograms;
        context.startupFolder = "C:\\MENU\\PROGRAMS\\STARTUP\\";
        context.desktopFolder = "C:\\DESKTOP\\";
        context.sendToFolder = "C:\\SENDTO\\";
        context.commonStartMenuFolder = "C:\\ALL\\MENU\\";
        context.commonProgramsFolder = "C:\\ALL\\MENU\\PROGRAMS\\";
        context.commonStartupFolder = "C:\\ALL\\MENU\\PROGRAMS\\STARTUP\\";
        context.commonDesktopFolder = "C:\\ALL\\DESKTOP\\";
        vm.machine.SetDisk('E', {});
        vm.platform.files.CreateFolder("C:\\APP");
        vm.platform.files.CreateFolder("C:\\MENU");
        vm.platform.files.CreateFolder("C:\\MENU\\PROGRAMS");
        vm.platform.files.CreateFolder("C:\\DESKTOP");
        view.options.folderText = "C:\\APP";
    }

    InstallRunState Run(const std::string& script)
    {
        vm.Put(context.scriptFile, script);
        InstallRun run({vm.platform, profiles, ops, context, view, shared});
        run.Run();
        return run.State();
    }

    // The message of the error that ended the run, or empty when it ended normally.
    std::string RunRaising(const std::string& script)
    {
        try {
            Run(script);
        } catch (const std::exception& error) {
            return error.what();
        }
        return {};
    }

    std::optional<RegValue> Value(RootKey root, const std::string& key, const std::string& name)
    {
        RegValue value;
        if (vm.platform.registry.ReadValue(root, key, name, value) != 0) return std::nullopt;
        return value;
    }
    std::string Text(RootKey root, const std::string& key, const std::string& name = "")
    {
        const auto value = Value(root, key, name);
        return value ? value->data : "<none>";
    }
};

}  // namespace lorvel::testing
