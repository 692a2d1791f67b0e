// The widget layer on real Win32 windows.
#pragma once

#include <map>
#include <memory>

#include "ui/Widgets.h"

namespace lorvel::ui {

// The folder browser is the shell's, over COM: whoever makes the backend has COM
// initialised on its thread first (lorvel::win32::ComLibrary), as the program's
// entry does.
class Win32Backend final : public Backend {
public:
    Win32Backend();
    ~Win32Backend() override;

    void SetApplicationTitle(const std::string& title) override;
    void Realise(Form& form) override;
    void Update(Form& form) override;
    void Update(Control& control) override;
    void Show(Form& form) override;
    void Hide(Form& form) override;
    void RunModal(Form& form) override;
    void RunMainLoop(Form& main) override;
    void ProcessMessages() override;
    int ShowMessageBox(const std::string& text, const std::string& caption, int flags) override;
    bool BrowseForFolder(Form& owner, FolderBrowse& browse) override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace lorvel::ui
