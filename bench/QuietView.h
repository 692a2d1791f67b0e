// A run's view for benchmarks: the folder C:\APP, every question answered Yes,
// nothing shown.
#pragma once

#include "run/RunView.h"

namespace lorvel {

struct QuietView final : RunView {
    RunOptions ReadOptions() override
    {
        RunOptions options;
        options.folderText = folder;
        return options;
    }
    void DisableOptions() override {}
    void HideWizard() override {}
    void ShowProgressWindow() override {}
    void SetStatus(const std::string&) override {}
    void ProcessMessages() override {}
    bool Aborted() override { return false; }
    int Ask(const std::string&, const std::string&, int) override { return 6; }
    void ShowProgress(bool) override {}
    void SetProgress(int, int, int) override {}
    void EnableAbort(bool) override {}
    void ShowDetails(const std::string&, const std::string&, bool) override {}
    DeletionAnswer AnswerSlot() override { return DeletionAnswer::Delete; }
    void SetAnswerSlot(DeletionAnswer) override {}
    void AskDeletion(const std::string&) override {}
    void CloseProgressWindow() override {}
    void EndWizard() override {}

    std::string folder = "C:\\APP";
};

}  // namespace lorvel
