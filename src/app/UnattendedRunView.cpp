#include "app/UnattendedRunView.h"

#include "util/MessageBox.h"

namespace lorvel {

namespace {

constexpr int kIconMask = 0xF0;
constexpr int kStopIcon = 0x10;
constexpr const char* kSharedFileQuestion = "shared file";

const char* SourceName(AnswerSource source)
{
    return source == AnswerSource::AnswersFile ? "answers file" : "default";
}

}  // namespace

std::string QuestionLine(const std::string& caption, const std::string& text, const std::string& answer,
                         const char* source)
{
    return "question [" + caption + "] " + text + " -> " + answer + " (" + source + ")";
}

void UnattendedRunView::ShowProgressWindow()
{
    if (progress_) progress_->Show();
}

void UnattendedRunView::SetStatus(const std::string& text)
{
    log_.Line("status: " + text);
    if (progress_) progress_->SetMessage(text);
    ProcessMessages();
}

void UnattendedRunView::SetItemStatus(const std::string& text, bool lasting)
{
    log_.Line("status: " + text);
    if (progress_ && progress_->SetItemMessage(text, lasting)) ProcessMessages();
}

void UnattendedRunView::ProcessMessages()
{
    if (progress_) progress_->Ui().ProcessMessages();
}

int UnattendedRunView::Ask(const std::string& text, const std::string& caption, int flags)
{
    const TakenAnswer taken = answers_.Answer(text, caption, flags);
    if ((flags & kIconMask) == kStopIcon) stopped_ = true;
    log_.Line(QuestionLine(caption, text, BoxAnswerWord(taken.answer), SourceName(taken.source)));
    events_.Asked({caption, text, BoxAnswerWord(taken.answer), taken.source == AnswerSource::AnswersFile});
    return taken.answer;
}

void UnattendedRunView::ShowProgress(bool on)
{
    if (progress_) progress_->ShowProgress(on);
}

void UnattendedRunView::SetProgress(int percent, int done, int all)
{
    if (progress_) progress_->SetProgress(percent, done, all);
}

void UnattendedRunView::ShowDetails(const std::string& frameCaption, const std::string&, bool)
{
    log_.Line("details [" + frameCaption + "] not shown: the failures are in this log");
}

void UnattendedRunView::AskDeletion(const std::string& message)
{
    AnswerSource source = AnswerSource::Default;
    const std::string word = answers_.SharedAnswer(source);
    slot_ = AnswerOfWord(word);
    log_.Line(QuestionLine(kSharedFileQuestion, message, word, SourceName(source)));
    events_.Asked({kSharedFileQuestion, message, word, source == AnswerSource::AnswersFile});
}

void UnattendedRunView::CloseProgressWindow()
{
    if (progress_) progress_->Hide();
}

void LoggedRunView::SetStatus(const std::string& text)
{
    log_.Line("status: " + text);
    inner_.SetStatus(text);
}

void LoggedRunView::SetItemStatus(const std::string& text, bool lasting)
{
    log_.Line("status: " + text);
    inner_.SetItemStatus(text, lasting);
}

bool LoggedRunView::Aborted()
{
    const bool aborted = inner_.Aborted();
    if (aborted && !abortLogged_) {
        abortLogged_ = true;
        log_.Line("the person aborted the run");
    }
    return aborted;
}

int LoggedRunView::Ask(const std::string& text, const std::string& caption, int flags)
{
    const int answer = inner_.Ask(text, caption, flags);
    log_.Line(QuestionLine(caption, text, BoxAnswerWord(answer), "the person"));
    return answer;
}

void LoggedRunView::AskDeletion(const std::string& message)
{
    inner_.AskDeletion(message);
    log_.Line(QuestionLine("shared file", message, AnswerWord(inner_.AnswerSlot()), "the person"));
}

}  // namespace lorvel
