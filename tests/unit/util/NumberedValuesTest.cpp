#include "util/NumberedValues.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace lorvel {
namespace {

std::vector<std::pair<int, std::string>> Taken(const std::map<int, std::string>& keys, int highest, NumberedEnd end)
{
    std::vector<std::pair<int, std::string>> taken;
    const auto read = [&keys](int n) {
        const auto found = keys.find(n);
        return found == keys.end() ? std::string() : found->second;
    };
    for (const auto& [number, value] : NumberedValues(read, highest, end)) taken.emplace_back(number, value);
    return taken;
}

TEST(NumberedValuesTest, EachEndStopsWhereItsLoopsAlwaysStopped)
{
    using Items = std::vector<std::pair<int, std::string>>;
    struct Row {
        const char* what;
        std::map<int, std::string> keys;
        int highest;
        NumberedEnd end;
        Items expected;
    };
    const Row rows[] = {
        {"up to the first empty",
         {{1, "a"}, {2, "b"}, {3, ""}, {4, "d"}},
         0,
         NumberedEnd::FirstEmpty,
         {{1, "a"}, {2, "b"}}},
        {"up to the first missing", {{1, "a"}, {3, "c"}}, 0, NumberedEnd::FirstEmpty, {{1, "a"}}},
        {"a first key missing", {{2, "b"}}, 0, NumberedEnd::FirstEmpty, {}},
        {"the bound ends it", {{1, "a"}, {2, "b"}, {3, "c"}}, 2, NumberedEnd::FirstEmpty, {{1, "a"}, {2, "b"}}},
        {"gaps passed over", {{1, "a"}, {2, ""}, {4, "d"}, {5, "e"}}, 4, NumberedEnd::PassEmpty, {{1, "a"}, {4, "d"}}},
        {"the last slot read", {{20, "t"}, {21, "u"}}, 20, NumberedEnd::PassEmpty, {{20, "t"}}},
        {"no bound, nothing to pass", {{1, "a"}}, 0, NumberedEnd::PassEmpty, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Taken(row.keys, row.highest, row.end), row.expected);
    }
}

// A loop whose body changes what the next key reads (a profile entry written, a disk
// swapped) sees that change.
TEST(NumberedValuesTest, TheNextKeyIsReadOnlyAfterTheLoopIsDoneWithThisOne)
{
    std::vector<std::string> events;
    std::map<int, std::string> keys{{1, "a"}};
    const auto read = [&](int n) {
        events.push_back("read " + std::to_string(n));
        return keys.count(n) ? keys[n] : std::string();
    };
    for (const auto& [number, value] : NumberedValues(read)) {
        events.push_back("body " + value);
        if (number == 1) keys[2] = "b";
    }
    EXPECT_EQ(events, (std::vector<std::string>{"read 1", "body a", "read 2", "body b", "read 3"}));
}

}  // namespace
}  // namespace lorvel
