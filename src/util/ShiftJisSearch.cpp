#include "util/ShiftJisSearch.h"

#include "util/ShiftJisText.h"

namespace lorvel {

LeadByteSet LeadByteSet::ShiftJis()
{
    LeadByteSet set;
    set.AddRange(0x81, 0x9F);
    set.AddRange(0xE0, 0xFC);
    return set;
}

LeadByteSet LeadByteSet::None()
{
    return LeadByteSet();
}

void LeadByteSet::AddRange(unsigned char first, unsigned char last)
{
    for (unsigned b = first; b <= last; ++b) bits_.set(b);
}

namespace {
LeadByteSet& ActiveSet()
{
    static LeadByteSet set = LeadByteSet::ShiftJis();
    return set;
}
}  // namespace

const LeadByteSet& ActiveLeadBytes()
{
    return ActiveSet();
}
void SetActiveLeadBytes(const LeadByteSet& set)
{
    ActiveSet() = set;
}

bool MBIsLeadByte(unsigned char byte)
{
    return ActiveLeadBytes().Contains(byte);
}

ByteType MBByteType(const std::string& text, int i, const LeadByteSet& leads)
{
    if (i < 1 || i > static_cast<int>(text.size())) return ByteType::Single;
    auto at = [&](int pos) { return static_cast<unsigned char>(text[pos - 1]); };
    if (leads.Empty() || at(i) == 0) return ByteType::Single;
    if (i == 1) return leads.Contains(at(1)) ? ByteType::Lead : ByteType::Single;
    // Only the run of lead-set bytes right before i decides: an odd run ends in a
    // lead byte that owns byte i.
    int run = 0;
    for (int j = i - 1; j >= 1 && leads.Contains(at(j)); --j) ++run;
    if (run % 2 == 1) return ByteType::Trail;
    return leads.Contains(at(i)) ? ByteType::Lead : ByteType::Single;
}

int MBPos(const std::string& pattern, const std::string& text, const LeadByteSet& leads)
{
    if (pattern.empty()) return 0;
    const std::size_t length = text.size();
    std::size_t i = 0;
    while (i < length) {
        if (text[i] == pattern[0] && text.compare(i, pattern.size(), pattern) == 0) return static_cast<int>(i) + 1;
        i += leads.Contains(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return 0;
}

int MBPosText(const std::string& pattern, const std::string& text)
{
    const std::string upperText = MapString(text, kMapUpperCase);
    const std::string upperPattern = MapString(pattern, kMapUpperCase);
    return MBPos(upperPattern, upperText);
}

}  // namespace lorvel
