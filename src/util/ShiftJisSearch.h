// Shift-JIS aware character tests and searches.
//
// Every position is a 1-based byte position; a search that finds nothing gives 0.
// A match is only tried where a character begins, so the trail byte of a double-byte
// character (0x95 0x5C, say) is never found as "\".
//
//   MBPos("\\", "\x95\x5C\x5C")   => 3
//   MBPos("", "abc")              => 0
//   MBPosText("(app)", "c:\\(APP)\\x") => 4
#pragma once

#include <bitset>
#include <string>

namespace lorvel {

// The bytes that begin a double-byte character in the active ANSI code page.
class LeadByteSet {
public:
    // Code page 932: 0x81..0x9F and 0xE0..0xFC.
    static LeadByteSet ShiftJis();
    // A system without double-byte support: every byte is a character of its own.
    static LeadByteSet None();

    void AddRange(unsigned char first, unsigned char last);
    bool Contains(unsigned char byte) const { return bits_.test(byte); }
    bool Empty() const { return bits_.none(); }

private:
    std::bitset<256> bits_;
};

// The set the whole program works with, filled once at start-up from what the
// system reports; Shift-JIS until then.
const LeadByteSet& ActiveLeadBytes();
void SetActiveLeadBytes(const LeadByteSet& set);

enum class ByteType { Single, Lead, Trail };

bool MBIsLeadByte(unsigned char byte);

// Type of the byte at 1-based position i; Single for a NUL or a position outside text.
ByteType MBByteType(const std::string& text, int i, const LeadByteSet& leads = ActiveLeadBytes());

int MBPos(const std::string& pattern, const std::string& text, const LeadByteSet& leads = ActiveLeadBytes());

// As MBPos after mapping both texts to upper case; the mapping keeps byte lengths,
// so the position is valid in the unmapped text.
int MBPosText(const std::string& pattern, const std::string& text);

}  // namespace lorvel
