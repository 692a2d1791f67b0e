// The dry run's widgets: the headless ones, answering each message box by its
// caption as the answers file says, pressing the shared-file question's button it
// names, swapping in the disk the program asks for, and noting what the windows
// showed for the report.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/headless/HeadlessBackend.h"

namespace lorvel::tool {

// The headless widgets, with the answers given by caption and the disks swapped in
// when the program asks for them.
class DryRunBackend final : public ui::Backend {
public:
    ui::HeadlessBackend inner;
    std::map<std::string, int> answers;  // caption (Shift-JIS) -> answer
    std::string sharedButton = "btnNo";
    std::function<void(int)> insertDisk;
    std::vector<std::string> statuses;  // the progress window's messages, in order
    std::string details;                // the failure details the wizard showed
    nlohmann::json boxes = nlohmann::json::array();

    void SetApplicationTitle(const std::string& title) override { inner.SetApplicationTitle(title); }
    void Realise(ui::Form& form) override { inner.Realise(form); }
    void Update(ui::Form& form) override { inner.Update(form); }
    void Update(ui::Control& control) override;
    void Show(ui::Form& form) override { inner.Show(form); }
    void Hide(ui::Form& form) override { inner.Hide(form); }
    void RunModal(ui::Form& form) override;
    void RunMainLoop(ui::Form& main) override { inner.RunMainLoop(main); }
    void ProcessMessages() override { inner.ProcessMessages(); }
    int ShowMessageBox(const std::string& text, const std::string& caption, int flags) override;
    bool BrowseForFolder(ui::Form& owner, ui::FolderBrowse& browse) override { return inner.BrowseForFolder(owner, browse); }
    bool UserGone() override { return inner.UserGone(); }
};

}  // namespace lorvel::tool
