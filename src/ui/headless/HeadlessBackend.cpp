#include "ui/headless/HeadlessBackend.h"

namespace lorvel::ui {

void HeadlessBackend::Realise(Form& form)
{
    log_.push_back("create " + form.Name());
}

void HeadlessBackend::Show(Form& form)
{
    if (form.Visible()) return;
    form.MarkShown(true);
    log_.push_back("show " + form.Name());
    if (form.maximized) form.NotifyResized(screenWidth, screenHeight);
}

void HeadlessBackend::Hide(Form& form)
{
    if (!form.Visible()) return;
    form.MarkShown(false);
    log_.push_back("hide " + form.Name());
}

bool HeadlessBackend::RunNextStep()
{
    if (steps_.empty()) return false;
    auto step = std::move(steps_.front());
    steps_.pop_front();
    step();
    return true;
}

void HeadlessBackend::RunModal(Form& form)
{
    Show(form);
    form.NotifyActivated();
    while (!form.ModalDone()) {
        if (RunNextStep()) continue;
        // Nothing more the user would do: end the display so a test cannot hang.
        stalled_ = true;
        log_.push_back("stalled " + form.Name());
        form.NotifyClosed();
        return;
    }
}

void HeadlessBackend::RunMainLoop(Form& main)
{
    mainForm_ = &main;
    main.ShowMaximized();
    while (main.Visible()) {
        if (!RunNextStep()) break;
    }
}

void HeadlessBackend::ProcessMessages()
{
    // The user's actions while the program works arrive here, as a real message loop
    // delivers clicks between two items of a run.
    for (std::size_t i = 0; i < watchers_.size(); ++i) {
        if (!watchers_[i].condition()) continue;
        auto action = std::move(watchers_[i].action);
        watchers_.erase(watchers_.begin() + static_cast<std::ptrdiff_t>(i));
        idleWaits_ = 0;
        action();
        return;
    }
}

bool HeadlessBackend::UserGone()
{
    // A loop that waits for a user who will never act must not spin for ever.
    if (++idleWaits_ <= 10000) return false;
    if (!stalled_) log_.push_back("user gone");
    stalled_ = true;
    return true;
}

int HeadlessBackend::ShowMessageBox(const std::string& text, const std::string& caption, int flags)
{
    int answer = 0;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else {
        const int buttons = flags & 0x0F;
        answer = buttons == 4 ? box::kYes : box::kOk;  // the first button of the set
    }
    boxes_.push_back({text, caption, flags, answer});
    return answer;
}

bool HeadlessBackend::BrowseForFolder(Form&, FolderBrowse& browse)
{
    constexpr unsigned kBrowseInitialised = 1;  // the shell's first call into a callback
    log_.push_back("browse " + browse.title + " " + std::to_string(browse.flags));
    browses_.push_back(browse);
    if (browse.callback) browse.callback(nullptr, kBrowseInitialised, 0, browse.callbackParameter);
    if (browseAnswers_.empty()) return false;
    const auto answer = std::move(browseAnswers_.front());
    browseAnswers_.pop_front();
    if (!answer) return false;
    browse.folder = *answer;
    return true;
}

}  // namespace lorvel::ui
