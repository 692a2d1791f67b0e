// The command line as deployment tools write it: switches beginning with "/", in any
// letter case and anywhere, set aside before the run mode is decided, so the first
// other word after the program is the record path it always was.
//
//   SplitCommandLine("UNKORAT.EXE /SILENT \"C:\\APP\\UNSETUP.INI\"")
//       => words {"C:\\APP\\UNSETUP.INI"}, switches {silent}
//   SplitCommandLine("SETUP.EXE /dir=\"C:\\My App\" /VerySilent")
//       => words {}, switches {verySilent, dir "C:\\My App"}
//   SplitCommandLine("SETUP.EXE /FAST") => unknown {"/FAST"}
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lorvel {

struct Switches {
    bool silent = false;      // the progress window only
    bool verySilent = false;  // no window at all
    bool suppressMessageBoxes = false;
    bool noRestart = false;
    std::optional<std::string> dir;      // the setup folder
    std::optional<std::string> answers;  // the answers file
    std::optional<std::string> log;      // the log file
    // Switches this program does not know, or known ones without the value they
    // need, as written.
    std::vector<std::string> bad;

    // Nobody is there to answer: every question takes its unattended answer.
    bool Unattended() const { return silent || verySilent || suppressMessageBoxes; }
};

struct CommandLine {
    std::vector<std::string> words;  // the arguments after the program that are no switches
    Switches switches;
    std::vector<std::string> switchTexts;  // every switch as written, for the log

    std::string FirstArgument() const { return words.empty() ? std::string() : words.front(); }
};

// Blanks separate the words; double quotes make blanks part of a word and are
// removed (also inside a switch: /DIR="C:\My App" is the switch /DIR=C:\My App).
// The first word is the program's own path and is no argument.
CommandLine SplitCommandLine(const std::string& commandLine);

}  // namespace lorvel
