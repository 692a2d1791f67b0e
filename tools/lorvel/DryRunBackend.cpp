#include "DryRunBackend.h"

#include <cstdlib>

#include "HostText.h"
#include "run/AnswersFile.h"
#include "util/MessageBox.h"

namespace lorvel::tool {

namespace {

std::string U(const std::string& sjis) { return ShiftJisToUtf8(sjis); }

}  // namespace

void DryRunBackend::Update(ui::Control& control)
{
    if (control.Owner().Name() == "frmStatus" && control.Name() == "lblMessage" && !control.Caption().empty() &&
        (statuses.empty() || statuses.back() != control.Caption()))
        statuses.push_back(control.Caption());
    if (control.Owner().Name() == "frmMain" && control.Name() == "txtReadme" && control.Caption().rfind("<", 0) == 0)
        details = control.Caption();
    inner.Update(control);
}

void DryRunBackend::RunModal(ui::Form& form)
{
    if (form.Name() == "frmCustomDlg") {
        const std::string button = sharedButton;
        boxes.push_back({{"caption", "shared-file question"}, {"text", U(form.Get("lblMessage").Caption())}, {"answer", button}});
        inner.Then([&form, button] { form.Get(button).Press(); });
    }
    inner.RunModal(form);
}

int DryRunBackend::ShowMessageBox(const std::string& text, const std::string& caption, int flags)
{
    const auto given = answers.find(caption);
    int answer = given != answers.end() ? given->second
                 : (flags & 0x0F) == 4 ? box::kYes
                                       : box::kOk;
    if ((flags & 0x0F) == 0) answer = box::kOk;
    boxes.push_back({{"caption", U(caption)}, {"text", U(text)}, {"answer", BoxAnswerWord(answer)}});
    // "2枚目のディスクに交換してください．": the disk the program asks for.
    if (caption == "ディスク交換" && answer == box::kOk && insertDisk) insertDisk(std::atoi(text.c_str()));
    return answer;
}

}  // namespace lorvel::tool
