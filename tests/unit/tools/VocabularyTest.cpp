// The script's vocabulary is the one table the program reads with and the check
// checks against: every key in it is known to the check at each number the program
// reads, and none beyond.
#include "util/ScriptVocabulary.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ScriptCheck.h"

namespace lorvel::tool {
namespace {

// The findings that say the program never reads a key or section.
std::string UnknownFindings(const std::string& script)
{
    std::string text;
    for (const Diagnostic& d : CheckScript(script))
        if (d.rule == "unknown-key" || d.rule == "unknown-section" || d.rule == "relate-number")
            text += d.rule + ": " + d.message + "\n";
    return text;
}

std::string ScriptWith(const script::KeySpec& spec, const std::string& key)
{
    return "[" + std::string(spec.section) + "]\r\n" + key + "=x\r\n";
}

TEST(VocabularyTest, TheCheckKnowsEveryKeyTheProgramReads)
{
    for (const script::KeySpec& spec : script::kKeys) {
        SCOPED_TRACE(std::string(spec.section) + " " + spec.name);
        if (!spec.numbered) {
            EXPECT_EQ(UnknownFindings(ScriptWith(spec, spec.name)), "");
            continue;
        }
        const int last = spec.highest > 0 ? spec.highest : 999;
        for (const int n : {1, last})
            EXPECT_EQ(UnknownFindings(ScriptWith(spec, script::NameOf(spec.key, n))), "") << n;
        if (spec.highest > 0) {
            EXPECT_NE(UnknownFindings(ScriptWith(spec, script::NameOf(spec.key, spec.highest + 1))), "")
                << "the program never reads past " << spec.highest;
        }
    }
}

// A numbered key without a bound is read until its section's driving key runs out;
// without one, nothing would end the reading.
TEST(VocabularyTest, EveryUnboundNumberedSectionHasOneDrivingKey)
{
    std::map<std::string, int> drivers;
    std::map<std::string, bool> unbound;
    for (const script::KeySpec& spec : script::kKeys) {
        SCOPED_TRACE(std::string(spec.section) + " " + spec.name);
        if (spec.drives) {
            EXPECT_TRUE(spec.numbered && spec.highest == 0);
            ++drivers[spec.section];
        }
        if (spec.numbered && spec.highest == 0) unbound[spec.section] = true;
    }
    for (const auto& [section, hasUnbound] : unbound) {
        SCOPED_TRACE(section);
        EXPECT_EQ(drivers[section], 1);
    }
    EXPECT_EQ(script::kRelateSlots, 20);
    EXPECT_EQ(script::NameOf(script::Key::CopyFile, 12), "File12");
    EXPECT_EQ(std::string(script::SectionOf(script::Key::ProgramId)), "ProgramID");
}

}  // namespace
}  // namespace lorvel::tool
