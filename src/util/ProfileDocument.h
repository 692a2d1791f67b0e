// One profile (INI) file parsed the way the Windows profile functions read it, kept
// line by line so that a write changes only the line it concerns.
//
// Reading rules, checked against the system's profile functions:
//   - lines end at CR LF, LF or a lone CR;
//   - blanks and tabs around a line, a section name, a key and a value are ignored;
//   - "[name]" opens a section (the name runs to the last "]" of the line);
//   - "key=value" is an entry; a line without "=" names a key that reads as
//     missing (a write gives it a value); ";" has no special meaning;
//   - lines before the first section belong to a section with an empty name, which
//     an explicit "[]" further down takes the place of;
//   - names compare without regard to the case of ASCII letters; the first section
//     of a name and the first key of a name in it are the ones found;
//   - a value enclosed in a matching pair of double or single quotes loses them.
//
//   "[A]\r\n k = \"v\" \r\n"  : Read("a", "K") => "v"
//   "[A]\nk\n"              : Read("A", "k") => nullopt
//   Write("B", "x", "1") on "[A]\r\nk=v"  => "[A]\r\nk=v\r\n[B]\r\nx=1\r\n"
//   RemoveSection("a") on "[A]\r\nk=v\r\n[B]\r\nx=1\r\n" => "[B]\r\nx=1\r\n"
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lorvel {

// One line as the reading rules see it.
struct ProfileLine {
    enum class Kind { Blank, Header, Entry };
    Kind kind = Kind::Blank;
    std::string name;       // section or key name, blanks trimmed, case kept
    std::string value;      // entry value, quotes removed
    bool hasValue = false;  // the entry has an "="
};

// A section or key name as names compare: ASCII letters folded, as the system's
// profile functions do, and nothing else.
std::string FoldProfileName(const std::string& name);

class ProfileDocument {
public:
    ProfileDocument() { Index(); }  // an empty file
    static ProfileDocument Parse(const std::string& bytes);

    // The value of the key, or nullopt when the section or the key is missing.
    std::optional<std::string> Read(const std::string& section, const std::string& key) const;
    // Sets the key, adding it (and the section) where needed; other lines stay as they are.
    void Write(const std::string& section, const std::string& key, const std::string& value);
    // Removes the section that Read finds, header and lines, as a write with no key
    // and no value does; a later section of the same name stays. False when there
    // was none.
    bool RemoveSection(const std::string& section);
    bool HasSection(const std::string& section) const { return sectionIndex_.count(Normalise(section)) != 0; }
    // Removes the line of the key that Read finds; false when there was none.
    bool RemoveKey(const std::string& section, const std::string& key);
    std::string Serialize() const;
    // Every line of the file, in order, as Read sees it.
    std::vector<ProfileLine> ReadLines() const;

private:
    struct Line {
        std::string text;    // without its line ending
        std::string ending;  // "\r\n", "\n", "\r" or "" for a last line without one
    };
    struct Section {
        std::size_t header = 0;                   // line of "[name]"; npos for the nameless section at the top
        std::size_t end = 0;                      // one past its last line
        std::map<std::string, std::size_t> keys;  // upper-case name -> line of its first entry
    };

    static std::string Normalise(const std::string& name);
    void Index();

    std::vector<Line> lines_;
    std::vector<Section> sections_;
    std::map<std::string, std::size_t> sectionIndex_;  // upper-case name -> first section
};

}  // namespace lorvel
