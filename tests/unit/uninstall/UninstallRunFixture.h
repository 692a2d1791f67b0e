// A simulated machine with an installed program and its record, for uninstall-run tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../VirtualMachineFixture.h"
#include "../run/RecordingView.h"
#include "run/RecordTrust.h"
#include "run/UninstallRecord.h"
#include "uninstall/UninstallRun.h"
#include "util/Sha256.h"
#include "util/ShiftJisText.h"

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
        context.runMode = RunMode::Unsetup;
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

    static constexpr const char* kEntry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TestProgram";

    // The record with the setup folder C:\APP\ and the given sections, as an install
    // leaves it: vouched for in its entry of the list of installed programs, with the
    // components it lists that are there now.
    void Record(const std::string& sections, const std::string& setupFolder = "C:\\APP\\")
    {
        const std::string key = RecordUnvouched(sections, setupFolder);
        std::string bytes;
        ASSERT_EQ(vm.platform.files.ReadWholeFile(kRecord, bytes), 0u);
        std::map<std::string, std::string> components;
        for (const std::string& item : ReadNumbered(profiles, kRecord, record::Key::DeleteFile)) {
            std::string file;
            const std::string path = PathPart(item);
            if (IsComponentFile(path) && vm.platform.files.ReadWholeFile(path, file) == 0)
                components[UpperCase(path)] = Sha256Hex(file);
        }
        ASSERT_EQ(VouchForRecord(vm.platform.registry, key, bytes, components), 0u);
    }

    // The same record with its entry but no digest, as an install before digests, or
    // a hand, left it; the entry's key.
    std::string RecordUnvouched(const std::string& sections, const std::string& setupFolder = "C:\\APP\\")
    {
        std::string text = "[SetupFolder]\r\nFolder=" + setupFolder + "\r\n" + sections;
        if (sections.find("[UnSetupRegistryKey]") == std::string::npos)
            text += std::string("[UnSetupRegistryKey]\r\nKey=") + kEntry + "\r\n";
        vm.Put(kRecord, text);
        context.recordPath = setupFolder + "UNSETUP.INI";
        const std::string key = profiles.ReadProfile("UnSetupRegistryKey", "Key", "", kRecord);
        vm.platform.registry.CreateKey(RootKey::LocalMachine, key);
        vm.platform.registry.WriteValue(RootKey::LocalMachine, key, "UninstallString",
                                        RegValue::String("C:\\WINDOWS\\UNKORAT.EXE \"" + context.recordPath + "\""));
        return key;
    }

    void RunUninstall()
    {
        UninstallRun run({vm.platform, profiles, ops, context, view, shared});
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
