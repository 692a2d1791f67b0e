#pragma once

#include <gtest/gtest.h>

#include "ContractEnvironment.h"

namespace lorvel::contract {

struct ContractTest : ::testing::Test {
    std::unique_ptr<ContractEnvironment> env = MakeContractEnvironment();
    platform::Platform& sys = env->Services();
    platform::FileSystem& files = sys.files;
    std::string dir = env->Scratch();

    void Write(const std::string& name, const std::string& content = "x")
    {
        ASSERT_EQ(files.WriteWholeFile(dir + name, content), 0u) << name;
    }
    std::string Read(const std::string& name)
    {
        std::string bytes;
        return files.ReadWholeFile(dir + name, bytes) == 0 ? bytes : "<missing>";
    }
};

}  // namespace lorvel::contract
