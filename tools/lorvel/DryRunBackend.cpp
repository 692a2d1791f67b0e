#include "DryRunBackend.h"

#include <cstdlib>

#include "HostText.h"
#include "run/QuestionCaptions.h"
#include "util/AnswerWords.h"

namespace lorvel::tool {

void DryRunBackend::Update(ui::Control& control)
{
    if (control.Owner().Name() == "frmStatus" && control.Name() == "lblMessage" && !control.Caption().empty() &&
        (statuses.empty() || statuses.back() != control.Caption()))
        statuses.push_back(control.Caption());
    inner.Update(control);
}

void DryRunWatch::Asked(const QuestionEvent& question)
{
    boxes.push_back({{"caption", ShiftJisToUtf8(question.caption)},
                     {"text", ShiftJisToUtf8(question.text)},
                     {"answer", question.answer},
                     {"from", question.fromAnswersFile ? "answers file" : "default"}});
    // "2枚目のディスクに交換してください．": the disk is there before the program looks.
    if (question.caption == captions::kChangeDisk && question.answer == answer_word::kOk && insertDisk)
        insertDisk(std::atoi(question.text.c_str()));
}

void DryRunWatch::Clear()
{
    boxes = nlohmann::json::array();
    copies.clear();
    failures.clear();
}

}  // namespace lorvel::tool
