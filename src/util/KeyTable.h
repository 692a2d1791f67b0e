// What the script's and the record's vocabularies share: a table of key entries with
// each key's entry at the key's own place, and the lookups through it. A vocabulary
// names its table with a TableOf(Key) beside its key enumeration, found by argument-
// dependent lookup.
#pragma once

#include <cstddef>
#include <string>

namespace lorvel::vocabulary {

// Each key's entry sits at the key's own place, so a key is found without a search
// and a key without an entry fails the vocabulary's static_assert.
template <typename Key>
constexpr bool EveryKeyInItsPlace(Key last)
{
    const auto& entries = TableOf(last);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (static_cast<std::size_t>(entries[i].key) != i) return false;
    return static_cast<std::size_t>(last) + 1 == entries.size();
}

template <typename Key>
constexpr const auto& SpecOf(Key key)
{
    return TableOf(key)[static_cast<std::size_t>(key)];
}
template <typename Key>
constexpr const char* SectionOf(Key key)
{
    return SpecOf(key).section;
}

// A fixed key's name.
template <typename Key>
std::string NameOf(Key key)
{
    return SpecOf(key).name;
}
// A numbered key's name: its prefix and the number.
template <typename Key>
std::string NameOf(Key key, int number)
{
    return SpecOf(key).name + std::to_string(number);
}

}  // namespace lorvel::vocabulary
