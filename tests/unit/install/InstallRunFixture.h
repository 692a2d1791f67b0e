// A recording view and a simulated machine for install-run tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "../VirtualMachineFixture.h"
#include "../run/RecordingView.h"
#include "install/InstallRun.h"

namespace lorvel::testing {

using namespace platform;

struct InstallRunTest : ::testing::Test {
    TestMachine vm;
    ProfileStore profiles{vm.platform.files};
    FileOps ops{vm.platform};
    SetupContext context;
    RecordingView view;
    std::vector<std::string> warnings;
    SharedFiles shared{vm.platform, true,
                       [this](const std::string& text, const std::string&) { warnings.push_back(text); }};

    InstallRunTest()
    {
        context.sourceFolder = "E:\\";
        context.workFolder = "C:\\WORK\\";
        context.scriptFile = "C:\\WORK\\SETUP.INI";
        context.setupSpeed = 400;
        vm.machine.SetDisk('E', {});
        view.options.folderText = "C:\\APP";
    }

    InstallRunState Run(const std::string& script)
    {
        vm.Put(context.scriptFile, script);
        InstallRun run({vm.platform, profiles, ops, context, view, shared});
        run.Run();
        return run.State();
    }
};

}  // namespace lorvel::testing
