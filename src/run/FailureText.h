// The failures a run collects and offers at its end: each record is a tag and a path
// on one line, then the error text, which ends in a line break, then an empty line.
//
//   Add("<File> ", "C:\\APP\\A.TXT", "アクセス...\r\n")
//     => "<File> C:\\APP\\A.TXT\r\nアクセス...\r\n\r\n", count 1
#pragma once

#include <string>

namespace lorvel {

namespace tag {
constexpr const char* kFolder = "<Folder> ";
constexpr const char* kFile = "<File> ";
constexpr const char* kSetupFile = "<SetupFile> ";
constexpr const char* kShortCut = "<ShortCut> ";
constexpr const char* kSetupFolder = "<SetupFolder> ";
constexpr const char* kRegistry = "<Registry> ";
}  // namespace tag

struct FailureText {
    std::string text;
    int count = 0;

    void Add(const std::string& tag, const std::string& path, const std::string& errorText)
    {
        AddRecord(tag + path + "\r\n" + errorText + "\r\n");
    }
    // A record in a form of its own (the setup folder's ends without the empty line).
    void AddRecord(const std::string& record)
    {
        text += record;
        ++count;
    }
    bool Empty() const { return count == 0; }
};

}  // namespace lorvel
