// The dry run's view of the program: the headless widgets, with the progress window's
// phases noted, and a watch on the run's events: the questions as the program
// answered them, the copies with their sources, the failure details, and the disk
// the program asks for put in its place.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

#include "run/RunEvents.h"
#include "ui/headless/HeadlessBackend.h"

namespace lorvel::tool {

class DryRunBackend final : public ui::Backend {
public:
    ui::HeadlessBackend inner;
    std::vector<std::string> statuses;  // the progress window's messages, in order

    void SetApplicationTitle(const std::string& title) override { inner.SetApplicationTitle(title); }
    void Realise(ui::Form& form) override { inner.Realise(form); }
    void Update(ui::Form& form) override { inner.Update(form); }
    void Update(ui::Control& control) override;
    void Show(ui::Form& form) override { inner.Show(form); }
    void Hide(ui::Form& form) override { inner.Hide(form); }
    void RunModal(ui::Form& form) override { inner.RunModal(form); }
    void RunMainLoop(ui::Form& main) override { inner.RunMainLoop(main); }
    void ProcessMessages() override { inner.ProcessMessages(); }
    int ShowMessageBox(const std::string& text, const std::string& caption, int flags) override
    {
        return inner.ShowMessageBox(text, caption, flags);
    }
    bool BrowseForFolder(ui::Form& owner, ui::FolderBrowse& browse) override
    {
        return inner.BrowseForFolder(owner, browse);
    }
    bool UserGone() override { return inner.UserGone(); }
};

class DryRunWatch final : public RunEvents {
public:
    std::function<void(int)> insertDisk;
    nlohmann::json boxes = nlohmann::json::array();
    std::vector<CopyEvent> copies;
    std::string failures;

    void FileCopied(const CopyEvent& event) override { copies.push_back(event); }
    void Asked(const QuestionEvent& question) override;
    void RunEnded(const std::string& failureText) override { failures += failureText; }
    void Clear();
};

}  // namespace lorvel::tool
