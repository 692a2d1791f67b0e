#include "app/VersionText.h"

#include <algorithm>
#include <cstdio>

namespace lorvel {

namespace {

// A part that is not a decimal number counts as 0.
int DecimalValue(const std::string& text)
{
    if (text.empty() || text.size() > 9) return 0;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::string BuildVersionText(const std::string& fileVersion)
{
    std::string rest = fileVersion;
    int numbers[3] = {0, 0, 0};
    for (int& number : numbers) {
        const auto dot = rest.find('.');
        if (dot == std::string::npos) continue;
        number = DecimalValue(rest.substr(0, dot));
        rest.erase(0, dot + 1);
    }
    const int build = DecimalValue(rest);
    // The second and third numbers written one after the other, read as one number.
    std::string minor = std::to_string(numbers[1]) + std::to_string(numbers[2]);
    minor.erase(0, std::min(minor.find_first_not_of('0'), minor.size()));
    if (minor.size() < 2) minor.insert(0, 2 - minor.size(), '0');
    char text[64];
    std::snprintf(text, sizeof text, "%d.%sβ1(Build:%04d)", numbers[0], minor.c_str(), build);
    return text;
}

}  // namespace lorvel
