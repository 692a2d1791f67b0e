// The answers file: what a person would have answered, written down beforehand, for
// the dry run of the script author's tool and for an unattended run of the program.
// A profile file (UTF-8 or Shift-JIS; the caller converts) read line by line, since
// its keys are captions that nobody can list in advance:
//
//   [Wizard]     Folder=D:\Apps\Sample   OverWrite= Desktop= StartMenu= StartUp= SendTo= (1 or 0)
//   [Answers]    関連付けの確認=No        (a message box, by caption: Yes, No, OK or Cancel)
//   [Uninstall]  Shared=Save              (the shared-file question: Yes, No, Delete or Save)
//
// Lines beginning with ";" are comments; other sections and keys are passed over.
//   ParseAnswersFile("[Answers]\n完了=OK\n")   => answers {"完了": 1}
//   ParseAnswersFile("[Answers]\nX=Maybe\n")   => error "answer 'Maybe' for 'X' is none of Yes, No, OK, Cancel"
#pragma once

#include <map>
#include <optional>
#include <string>

namespace lorvel {

struct AnswersFile {
    std::map<std::string, std::string> wizard;  // Folder and the five boxes, as written
    std::map<std::string, int> answers;         // caption -> box:: answer
    std::string shared;                         // "Yes", "No", "Delete", "Save"; empty: not given
};

// The file's Shift-JIS text; nullopt with the reason in error (its names in the
// file's own bytes) when an answer is none of the words it may be.
std::optional<AnswersFile> ParseAnswersFile(const std::string& text, std::string& error);

// "1", "Yes", "yes" tick a box; "0", "No", "no" clear it; anything else keeps fallback.
bool AnswerTicks(const std::string& value, bool fallback);

// "OK", "Cancel", "Yes", "No" for the box:: answers; "?" for any other. The
// shared-file question's words are RunView.h's AnswerWord.
const char* BoxAnswerWord(int answer);

// Whether bytes are UTF-8 with at least one character beyond ASCII (or its byte
// order mark), so that a Shift-JIS file is never taken for one.
bool IsUtf8Text(const std::string& bytes);

}  // namespace lorvel
