// The answer a run takes when nobody is there: from the answers file when it names
// the question, else a default that never waits and never destroys what the person
// would have had to agree to. The defaults, by the question's caption:
//
//   フォルダ作成      Yes     the setup folder is created
//   空き容量不足      No      the run stops before it writes anything
//   上書き確認        No      a file is replaced only by the script's own rules
//   ディスク交換      OK once, Cancel when the same disk is asked for again:
//                             a disk that is not there ends the run
//   関連付けの確認    Yes     associations are made
//   ファイル削除の確認 No     the component is kept
//   警告 (Yes/No)     No      failure details go to the log, not to a window
//   the shared-file question  No: the file is kept
//   a box with OK alone       OK
//   anything else             No, or Cancel where there is no No
#pragma once

#include <map>
#include <string>

#include "run/AnswersFile.h"

namespace lorvel {

enum class AnswerSource { AnswersFile, Default };

struct TakenAnswer {
    int answer = 0;  // box:: answer
    AnswerSource source = AnswerSource::Default;
};

class UnattendedAnswers {
public:
    explicit UnattendedAnswers(AnswersFile file = {}) : file_(std::move(file)) {}

    // The answer to a message box (flags as the system numbers them).
    TakenAnswer Answer(const std::string& text, const std::string& caption, int flags);
    // "Yes", "No", "Delete" or "Save" for the four-answer shared-file question.
    std::string SharedAnswer(AnswerSource& source) const;
    // Whether an answer from the file refused to go on, so that a run that stops
    // was stopped by the administrator's choice rather than by a failure.
    bool Declined() const { return declined_; }

private:
    AnswersFile file_;
    std::map<std::string, int> asked_;  // caption and text -> how often
    bool declined_ = false;
};

}  // namespace lorvel
