// A record where an earlier install left it, with the entry that install made in the
// list of installed programs: its command names the record and it holds the record's
// digest, so a later install merges it and an uninstall carries it out.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "VirtualMachineFixture.h"
#include "run/RecordTrust.h"

namespace lorvel::testing {

constexpr const char* kEarlierEntry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Earlier";

inline void PutVouchedRecord(TestMachine& vm, const std::string& path, std::string text,
                             const std::string& entryKey = kEarlierEntry)
{
    if (text.find("[UnSetupRegistryKey]") == std::string::npos)
        text += "\r\n[UnSetupRegistryKey]\r\nKey=" + entryKey + "\r\n";
    vm.Put(path, text);
    platform::Registry& registry = vm.platform.registry;
    registry.CreateKey(platform::RootKey::LocalMachine, entryKey);
    registry.WriteValue(platform::RootKey::LocalMachine, entryKey, "UninstallString",
                        platform::RegValue::String("C:\\WINDOWS\\UNKORAT.EXE \"" + path + "\""));
    ASSERT_EQ(VouchForRecord(registry, entryKey, text, {}), 0u);
}

}  // namespace lorvel::testing
