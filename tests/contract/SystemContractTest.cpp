#include "ContractFixture.h"
#include "util/ShiftJisText.h"

namespace lorvel::contract {
namespace {

using namespace platform;

using SystemContract = ContractTest;

TEST_F(SystemContract, FoldersAndVersion)
{
    const auto version = sys.system.GetVersion();
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->platformId, 2u);
    for (const std::string& folder :
         {sys.system.GetWindowsFolder(), sys.system.GetSystemFolder(), sys.system.GetTempFolder()}) {
        SCOPED_TRACE(folder);
        ASSERT_GE(folder.size(), 3u);
        EXPECT_EQ(folder.substr(1, 2), ":\\");
        std::uint32_t attributes = 0;
        ASSERT_EQ(sys.files.GetAttributes(folder, attributes), 0u);
        EXPECT_NE(attributes & attr::kDirectory, 0u);
    }
    EXPECT_TRUE(EndsWithPathDelimiter(sys.system.GetTempFolder())) << "the temporary path ends in \\";
    EXPECT_FALSE(EndsWithPathDelimiter(sys.system.GetWindowsFolder()));
    EXPECT_TRUE(sys.system.IsDoubleByteSystem());
    EXPECT_EQ(sys.system.GetProgramPath().substr(1, 2), ":\\");
}

TEST_F(SystemContract, ErrorTextsExistForTheCommonCodes)
{
    for (ErrorCode code : {2u, 3u, 5u, 32u, 112u, 145u, 183u}) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(sys.system.GetErrorText(code).empty());
    }
}

TEST_F(SystemContract, AProgramWithoutVersionResourceHasNoVersion)
{
    EXPECT_FALSE(sys.system.GetFileVersionString(sys.system.GetProgramPath()).has_value());
}

TEST_F(SystemContract, NamedMutexIsSeenUntilReleased)
{
    const std::string name = "LorvelContractMutex";
    EXPECT_EQ(sys.system.OpenNamedMutex(name), nullptr);
    {
        auto held = sys.system.CreateNamedMutex(name);
        ASSERT_NE(held, nullptr);
        EXPECT_NE(sys.system.OpenNamedMutex(name), nullptr);
    }
    EXPECT_EQ(sys.system.OpenNamedMutex(name), nullptr);
}

TEST_F(SystemContract, SleepAdvancesTheClock)
{
    const std::uint32_t before = sys.system.GetTickCount();
    const std::uint64_t beforeMicroseconds = sys.system.GetMicroseconds();
    sys.system.Sleep(100);
    EXPECT_GE(sys.system.GetTickCount() - before, 80u);
    const std::uint64_t elapsed = sys.system.GetMicroseconds() - beforeMicroseconds;
    EXPECT_GE(elapsed, 80000u);
    EXPECT_LT(elapsed, 60000000u);  // in microseconds, not in counter ticks
}

// The program maps text with its own copy of the code page 932 rules; every
// character must come out as the system maps it.
TEST_F(SystemContract, PortableMappingAgreesWithTheSystem)
{
    std::vector<std::string> samples;
    for (int b = 0x01; b <= 0xDF; ++b)
        if (b < 0x80 || b >= 0xA1) samples.push_back(std::string(1, static_cast<char>(b)));
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            if (trail != 0x7F) samples.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
    for (int kana = 0xA6; kana <= 0xDD; ++kana)
        for (int mark : {0xDE, 0xDF}) samples.push_back({static_cast<char>(kana), static_cast<char>(mark)});
    const std::string kMiddleDot = "\x81\x45";
    auto hasSoundMark = [](const std::string& text) {
        return text.find('\xDE') != std::string::npos || text.find('\xDF') != std::string::npos || text == "\x81\x4A" ||
               text == "\x81\x4B";
    };
    int mismatches = 0;
    for (std::uint32_t flags : {kMapUpperCase, kMapFullWidth}) {
        for (const std::string& sample : samples) {
            const std::string ours = MapString(sample, flags);
            const std::string system = sys.system.MapTextBySystem(sample, flags);
            if (ours == system) continue;
            // A code with no character becomes the system's default character on the
            // way through Unicode; the program keeps such bytes as they are.
            if (system == kMiddleDot && ours == sample) continue;
            // Wine maps the sound marks to combining characters that code page 932
            // lacks ("?"); Windows maps them to the spacing marks.
            if (env->UnderWine() && flags == kMapFullWidth && hasSoundMark(sample)) continue;
            if (++mismatches <= 40) {
                std::string hex;
                for (const std::string* s : {&sample, &ours, &system}) {
                    for (unsigned char c : *s) {
                        char buffer[4];
                        std::snprintf(buffer, sizeof buffer, "%02X", c);
                        hex += buffer;
                    }
                    hex += " ";
                }
                ADD_FAILURE() << "flags " << flags << ": input ours system = " << hex;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace lorvel::contract
