#include "run/AnswersFile.h"

#include "run/RunView.h"
#include "util/AnswerWords.h"
#include "util/MessageBox.h"

namespace lorvel {

namespace {

constexpr struct {
    int answer;
    const char* word;
} kBoxAnswers[] = {{box::kOk, answer_word::kOk},
                   {box::kCancel, answer_word::kCancel},
                   {box::kYes, answer_word::kYes},
                   {box::kNo, answer_word::kNo}};

int AnswerOf(const std::string& word)
{
    for (const auto& a : kBoxAnswers)
        if (word == a.word) return a.answer;
    return 0;
}

// A value ends at a ";" comment; blanks around it are no part of it.
std::string Trimmed(std::string text)
{
    if (const auto comment = text.find(';');
        comment != std::string::npos && comment > 0 && (text[comment - 1] == ' ' || text[comment - 1] == '\t'))
        text.erase(comment);
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<AnswersFile> ParseAnswersFile(const std::string& text, std::string& error)
{
    AnswersFile file;
    std::string section;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const auto close = line.find(']');
            section = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = Trimmed(line.substr(0, equals));
        const std::string value = Trimmed(line.substr(equals + 1));
        if (section == "Answers") {
            const int answer = AnswerOf(value);
            if (!answer) {
                error = "answer '" + value + "' for '" + key + "' is none of Yes, No, OK, Cancel";
                return std::nullopt;
            }
            file.answers[key] = answer;
        } else if (section == "Wizard") {
            file.wizard[key] = value;
        } else if (section == "Uninstall" && key == "Shared") {
            if (AnswerOfWord(value) == DeletionAnswer::None) {
                error = "Shared is one of Yes, No, Delete, Save, not '" + value + "'";
                return std::nullopt;
            }
            file.shared = value;
        }
    }
    return file;
}

bool AnswerTicks(const std::string& value, bool fallback)
{
    if (value == "1" || value == answer_word::kYes || value == "yes") return true;
    if (value == "0" || value == answer_word::kNo || value == "no") return false;
    return fallback;
}

const char* BoxAnswerWord(int answer)
{
    for (const auto& a : kBoxAnswers)
        if (answer == a.answer) return a.word;
    return "?";
}

bool IsUtf8Text(const std::string& bytes)
{
    bool beyondAscii = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        int more = 0;
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF)
            more = 1;
        else if (b >= 0xE0 && b <= 0xEF)
            more = 2;
        else if (b >= 0xF0 && b <= 0xF4)
            more = 3;
        else
            return false;
        if (i + static_cast<std::size_t>(more) >= bytes.size()) return false;
        for (int k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
        beyondAscii = true;
        i += static_cast<std::size_t>(more) + 1;
    }
    return beyondAscii;
}

}  // namespace lorvel
