#include "run/UnattendedAnswers.h"

#include "run/QuestionCaptions.h"
#include "util/AnswerWords.h"
#include "util/MessageBox.h"

namespace lorvel {

namespace {

constexpr int kButtonsMask = 0x0F;
constexpr int kOkOnly = 0;
constexpr int kOkCancel = 1;

// Questions whose refusal ends the run.
bool EndsRunOnRefusal(const std::string& caption)
{
    return caption == captions::kMakeFolder || caption == captions::kLowDiskSpace || caption == captions::kChangeDisk;
}

int DefaultAnswer(const std::string& caption, int buttons, int timesAsked)
{
    if (buttons == kOkOnly) return box::kOk;
    if (caption == captions::kChangeDisk) return timesAsked == 1 ? box::kOk : box::kCancel;
    if (caption == captions::kMakeFolder || caption == captions::kConfirmAssociation) return box::kYes;
    return buttons == kOkCancel ? box::kCancel : box::kNo;
}

bool Allowed(int answer, int buttons)
{
    switch (buttons) {
    case kOkOnly: return answer == box::kOk;
    case kOkCancel: return answer == box::kOk || answer == box::kCancel;
    default: return answer == box::kYes || answer == box::kNo;
    }
}

}  // namespace

TakenAnswer UnattendedAnswers::Answer(const std::string& text, const std::string& caption, int flags)
{
    const int buttons = flags & kButtonsMask;
    const int timesAsked = ++asked_[caption + '\n' + text];
    TakenAnswer taken{DefaultAnswer(caption, buttons, timesAsked), AnswerSource::Default};
    const auto given = file_.answers.find(caption);
    // A disk asked for again is not there: an "OK" would only ask once more, for ever.
    const bool repeatedDisk = caption == captions::kChangeDisk && timesAsked > 1;
    if (given != file_.answers.end() && Allowed(given->second, buttons) && !repeatedDisk)
        taken = {given->second, AnswerSource::AnswersFile};
    if (taken.source == AnswerSource::AnswersFile && EndsRunOnRefusal(caption) &&
        (taken.answer == box::kNo || taken.answer == box::kCancel))
        declined_ = true;
    return taken;
}

std::string UnattendedAnswers::SharedAnswer(AnswerSource& source) const
{
    source = file_.shared.empty() ? AnswerSource::Default : AnswerSource::AnswersFile;
    return file_.shared.empty() ? std::string(answer_word::kNo) : file_.shared;
}

}  // namespace lorvel
