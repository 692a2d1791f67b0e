#include "util/RegistryTokens.h"

#include "util/ShiftJisText.h"

namespace lorvel {

namespace {

RegistryKeyText Split(const std::string& text, bool needBoth)
{
    const bool opens = !text.empty() && text[0] == '(';
    const bool closes = text.size() >= 7 && text[6] == ')';
    const bool token = needBoth ? (opens && closes) : (opens || closes);
    if (!token) return {"(Cuser)", text};
    return {StrLeft(text, 7), StrMid(text, 8)};
}

}  // namespace

RegistryKeyText SplitKeyByScriptRule(const std::string& text)
{
    return Split(text, false);
}

RegistryKeyText SplitKeyByRecordRule(const std::string& text)
{
    return Split(text, true);
}

}  // namespace lorvel
