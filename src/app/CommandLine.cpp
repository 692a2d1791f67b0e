#include "app/CommandLine.h"

#include "util/ShiftJisSearch.h"

namespace lorvel {

namespace {

std::vector<std::string> Words(const std::string& commandLine)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    const std::size_t length = commandLine.size();
    while (i < length) {
        while (i < length && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
        if (i >= length) break;
        std::string word;
        bool quoted = false;
        while (i < length && (quoted || (commandLine[i] != ' ' && commandLine[i] != '\t'))) {
            const auto byte = static_cast<unsigned char>(commandLine[i]);
            if (byte == '"') {
                quoted = !quoted;
                ++i;
            } else if (MBIsLeadByte(byte) && i + 1 < length) {
                word.append(commandLine, i, 2);
                i += 2;
            } else {
                word.push_back(commandLine[i++]);
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

// Switch names are ASCII; their values keep their bytes.
std::string UpperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

void TakeSwitch(const std::string& word, Switches& switches)
{
    const auto equals = word.find('=');
    const std::string name = UpperAscii(word.substr(0, equals));
    const bool hasValue = equals != std::string::npos;
    const std::string value = hasValue ? word.substr(equals + 1) : std::string();
    if (!hasValue) {
        if (name == "/SILENT") return void(switches.silent = true);
        if (name == "/VERYSILENT") return void(switches.verySilent = true);
        if (name == "/SUPPRESSMSGBOXES") return void(switches.suppressMessageBoxes = true);
        if (name == "/NORESTART") return void(switches.noRestart = true);
    } else if (!value.empty()) {
        if (name == "/DIR") return void(switches.dir = value);
        if (name == "/ANSWERS") return void(switches.answers = value);
        if (name == "/LOG") return void(switches.log = value);
    }
    switches.bad.push_back(word);
}

}  // namespace

CommandLine SplitCommandLine(const std::string& commandLine)
{
    CommandLine line;
    const std::vector<std::string> words = Words(commandLine);
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!word.empty() && word[0] == '/') {
            line.switchTexts.push_back(word);
            TakeSwitch(word, line.switches);
        } else {
            line.words.push_back(word);
        }
    }
    return line;
}

}  // namespace lorvel
