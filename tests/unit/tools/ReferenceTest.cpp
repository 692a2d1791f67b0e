// The reference is read by people and rendered as Markdown: every key the program
// reads must be found in its own section, each table row must stay two cells whatever
// a meaning holds, and the file must be UTF-8 although literals compile to Shift-JIS.
#include "Reference.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "util/ScriptVocabulary.h"

namespace lorvel::tool {
namespace {

struct Section {
    std::string prose;              // what stands between the heading and the table
    std::vector<std::string> rows;  // the table's rows below its separator line
};

std::map<std::string, Section> SectionsOf(const std::string& text)
{
    std::map<std::string, Section> sections;
    Section* current = nullptr;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("## [", 0) == 0 && line.back() == ']') {
            current = &sections[line.substr(4, line.size() - 5)];
        } else if (current != nullptr && line.rfind("| `", 0) == 0) {
            current->rows.push_back(line);
        } else if (current != nullptr && line.rfind("|", 0) != 0) {
            current->prose += line + "\n";
        }
    }
    return sections;
}

// The "|" that separate cells: not those escaped as "\|".
int CellSeparators(const std::string& row)
{
    int count = 0;
    for (std::size_t i = 0; i < row.size(); ++i)
        if (row[i] == '|' && (i == 0 || row[i - 1] != '\\')) ++count;
    return count;
}

// The row as the reader sees it rendered: "\|" shows as "|".
std::string Rendered(const std::string& row)
{
    std::string text;
    for (std::size_t i = 0; i < row.size(); ++i)
        if (!(row[i] == '\\' && i + 1 < row.size() && row[i + 1] == '|')) text += row[i];
    return text;
}

// The name a row opens with: the key itself, or its first number.
std::string ShownName(const script::KeySpec& entry)
{
    return "| `" + (entry.numbered ? script::NameOf(entry.key, 1) : std::string(entry.name)) + "`";
}

TEST(ReferenceTest, EveryKeyHasOneRowInItsOwnSection)
{
    const std::map<std::string, Section> sections = SectionsOf(ScriptReference());
    std::map<std::string, int> keysPerSection;
    for (const script::KeySpec& entry : script::kKeys) {
        SCOPED_TRACE(std::string(entry.section) + " " + entry.name);
        ++keysPerSection[entry.section];
        const auto section = sections.find(entry.section);
        ASSERT_NE(section, sections.end());
        int rows = 0;
        for (const std::string& row : section->second.rows)
            if (row.rfind(ShownName(entry), 0) == 0) {
                ++rows;
                EXPECT_NE(Rendered(row).find(entry.meaning), std::string::npos) << row;
                if (entry.highest > 0) {
                    EXPECT_NE(row.find("`" + script::NameOf(entry.key, entry.highest) + "`"), std::string::npos);
                }
            }
        EXPECT_EQ(rows, 1);
        if (entry.drives) {
            EXPECT_NE(section->second.prose.find("the first number whose `" + std::string(entry.name) +
                                                 "` is missing or empty ends the section"),
                      std::string::npos)
                << section->second.prose;
        }
    }
    // Nothing beside the table: no section or key the program does not read.
    EXPECT_EQ(sections.size(), keysPerSection.size());
    for (const auto& [name, section] : sections) {
        SCOPED_TRACE(name);
        EXPECT_EQ(static_cast<int>(section.rows.size()), keysPerSection[name]);
    }
}

TEST(ReferenceTest, EveryRowIsTwoCellsAndTheFileIsAscii)
{
    const std::string text = ScriptReference();
    std::istringstream lines(text);
    int rows = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("|", 0) != 0) continue;
        SCOPED_TRACE(line);
        ++rows;
        EXPECT_EQ(CellSeparators(line), 3);
        EXPECT_EQ(line.back(), '|');
    }
    // A header and a separator line per section, and one row per key.
    EXPECT_GT(rows, static_cast<int>(script::kKeys.size()));
    for (std::size_t i = 0; i < text.size(); ++i)
        ASSERT_LT(static_cast<unsigned char>(text[i]), 0x80)
            << "byte " << i << ": " << text.substr(i < 40 ? 0 : i - 40, 80);
}

}  // namespace
}  // namespace lorvel::tool
