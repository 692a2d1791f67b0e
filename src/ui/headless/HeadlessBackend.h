// The widget layer without windows: states only, driven by a scripted user. A modal
// loop runs the script's next step until the form may close; message boxes are
// answered by the script and logged.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/Widgets.h"

namespace lorvel::ui {

struct ShownBox {
    std::string text;
    std::string caption;
    int flags = 0;
    int answer = 0;
};

class HeadlessBackend final : public Backend {
public:
    // One step of the scripted user, run when the program waits for the user.
    void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }
    // What the user does while the program works: each time the program lets
    // messages run, the first watcher whose condition holds acts, once.
    void During(std::function<bool()> condition, std::function<void()> action)
    {
        watchers_.push_back({std::move(condition), std::move(action)});
    }
    // Answers for message boxes, in order; when none is left a box gets its first button.
    void Answer(int answer) { answers_.push_back(answer); }
    // The folder browser's answer: a path, or nullopt for a cancelled browse.
    void BrowseAnswer(std::optional<std::string> folder) { browseAnswers_.push_back(std::move(folder)); }
    // The browses asked for, as the shell was given them.
    const std::vector<FolderBrowse>& Browses() const { return browses_; }

    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    const std::vector<std::string>& Log() const { return log_; }
    // True when a modal loop ran out of scripted steps and was ended by force.
    bool Stalled() const { return stalled_; }

    void SetApplicationTitle(const std::string& title) override { title_ = title; }
    void Realise(Form& form) override;
    void Update(Form&) override {}
    void Update(Control&) override {}
    void Show(Form& form) override;
    void Hide(Form& form) override;
    void RunModal(Form& form) override;
    void RunMainLoop(Form& main) override;
    void ProcessMessages() override;
    int ShowMessageBox(const std::string& text, const std::string& caption, int flags) override;
    bool BrowseForFolder(Form& owner, FolderBrowse& browse) override;
    bool UserGone() override;

    // The screen size a maximised form takes.
    int screenWidth = 1024;
    int screenHeight = 768;

private:
    bool RunNextStep();

    struct Watcher {
        std::function<bool()> condition;
        std::function<void()> action;
    };

    std::deque<std::function<void()>> steps_;
    std::vector<Watcher> watchers_;
    int idleWaits_ = 0;
    std::deque<int> answers_;
    std::deque<std::optional<std::string>> browseAnswers_;
    std::vector<FolderBrowse> browses_;
    std::vector<ShownBox> boxes_;
    std::vector<std::string> log_;
    bool stalled_ = false;
    Form* mainForm_ = nullptr;
};

}  // namespace lorvel::ui
