// A simulated machine with an installed program and its record, for uninstall-run tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../VirtualMachineFixture.h"
#include "../run/RecordingView.h"
#include "uninstall/UninstallRecord.h"
#include "uninstall/UninstallRun.h"

namespace lorvel::testing {

using namespace platform;

// Everything a run needs, fresh for each row of a table.
struct UninstallMachine {
    TestMachine vm;
    ProfileStore profiles{vm.platform.files};
    FileOps ops{vm.platform};
    SetupContext context;
    RecordingView view;
    SharedFiles shared{vm.platform, false, nullptr};
    std::vector<std::string> unregistered;

    static constexpr const char* kRecord = "C:\\WINDOWS\\TEMP\\KRTMP1\\UNSETUP.INI";
    static constexpr const char* kPrograms = "C:\\Documents and Settings\\User\\スタート メニュー\\プログラム\\";
    static constexpr const char* kDesktop = "C:\\Documents and Settings\\User\\デスクトップ\\";

    UninstallMachine()
    {
        context.runMode = "UNSETUP";
        context.windowsFolder = "C:\\WINDOWS\\";
        context.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
        context.tempFolder = "C:\\WINDOWS\\TEMP\\";
        context.programFilesFolder = "C:\\Program Files\\";
        context.startMenuFolder = "C:\\Documents and Settings\\User\\スタート メニュー\\";
        context.programsFolder = kPrograms;
        context.desktopFolder = kDesktop;
        context.startupFolder = std::string(kPrograms) + "スタートアップ\\";
        context.sendToFolder = "C:\\Documents and Settings\\User\\SendTo\\";
        context.commonStartMenuFolder = "C:\\Documents and Settings\\All Users\\スタート メニュー\\";
        context.commonProgramsFolder = "C:\\Documents and Settings\\All Users\\スタート メニュー\\プログラム\\";
        context.commonStartupFolder = context.commonProgramsFolder + "スタートアップ\\";
        context.commonDesktopFolder = "C:\\Documents and Settings\\All Users\\デスクトップ\\";
        context.scriptFile = kRecord;
        view.options.folderText = "C:\\APP\\";
        ops.SetComponentUnregistrar([this](const std::string& path) { unregistered.push_back(path); });
        vm.platform.files.CreateFolder("C:\\APP");
        vm.Put("C:\\WINDOWS\\SYSTEM32\\KERNEL.DLL", "system");
        vm.Put("C:\\WINDOWS\\WIN.INI", "[windows]\r\n");
        vm.Put(std::string(kDesktop) + "OTHER.LNK", "another program's");
    }

    // The record with the setup folder C:\APP\ and the given sections.
    void Record(const std::string& sections, const std::string& setupFolder = "C:\\APP\\")
    {
        vm.Put(kRecord, "[SetupFolder]\r\nFolder=" + setupFolder + "\r\n" + sections);
    }

    void RunUninstall()
    {
        UninstallRun run(vm.platform, profiles, ops, context, view, shared);
        run.Run();
        failures = run.Failures();
    }

    bool Exists(const std::string& path) { return vm.platform.files.Exists(path); }

    void SetSharedCount(const std::string& path, std::uint32_t count)
    {
        vm.platform.registry.CreateKey(RootKey::LocalMachine, kSharedDllsKey);
        vm.platform.registry.WriteValue(RootKey::LocalMachine, kSharedDllsKey, path, RegValue::DoubleWord(count));
    }
    int SharedCount(const std::string& path) { return shared.ReadSharedCount(path); }

    std::vector<std::string> QuestionCaptions() const
    {
        std::vector<std::string> captions;
        for (const auto& q : view.questions) captions.push_back(q.caption);
        return captions;
    }

    FailureText failures;
};

struct UninstallRunTest : ::testing::Test, UninstallMachine {};

}  // namespace lorvel::testing
