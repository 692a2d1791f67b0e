// The reference is read rendered as Markdown: every key the program reads has its row
// in its own section, and a "|" in a meaning must not split the row into more cells.
#include "Reference.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "util/ScriptVocabulary.h"

namespace lorvel::tool {
namespace {

// The "|" that separate cells: not those escaped as "\|".
int CellSeparators(const std::string& row)
{
    int count = 0;
    for (std::size_t i = 0; i < row.size(); ++i) count += row[i] == '|' && (i == 0 || row[i - 1] != '\\');
    return count;
}

TEST(ReferenceTest, EveryKeyHasOneTwoCellRowInItsOwnSection)
{
    std::istringstream lines(ScriptReference());
    std::string section;
    std::map<std::string, int> rows;  // "section key" -> rows naming it
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("## [", 0) == 0) section = line.substr(4, line.size() - 5);
        if (line.rfind("| `", 0) != 0) continue;
        EXPECT_EQ(CellSeparators(line), 3) << line;
        ++rows[section + " " + line.substr(3, line.find('`', 3) - 3)];
    }
    for (const script::KeySpec& entry : script::kKeys) {
        const std::string shown = entry.numbered ? script::NameOf(entry.key, 1) : std::string(entry.name);
        EXPECT_EQ(rows[std::string(entry.section) + " " + shown], 1) << entry.section << " " << shown;
    }
}

}  // namespace
}  // namespace lorvel::tool
