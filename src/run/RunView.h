// What a run needs of the windows: the user's choices, the progress window, the
// questions, and the end of the wizard. The application implements it over the forms,
// so the runs stay free of any window code and tests can watch them.
#pragma once

#include <string>

#include "util/AnswerWords.h"
#include "util/MessageBox.h"

namespace lorvel {

// The answer slot of the four-answer deletion question: nothing yet (or a dialog
// closed without an answer), this file, not this file, every such file, none.
enum class DeletionAnswer { None, Yes, No, Delete, Save };

// The words the slot holds for them in the wizard's hidden label and in an answers
// file: "Yes", "No", "Delete", "Save"; "" for none. Any other word, the label's
// design text "Can't Delete" among them, is none.
inline std::string AnswerWord(DeletionAnswer answer)
{
    switch (answer) {
    case DeletionAnswer::Yes: return answer_word::kYes;
    case DeletionAnswer::No: return answer_word::kNo;
    case DeletionAnswer::Delete: return answer_word::kDelete;
    case DeletionAnswer::Save: return answer_word::kSave;
    case DeletionAnswer::None: break;
    }
    return "";
}

inline DeletionAnswer AnswerOfWord(const std::string& word)
{
    for (const DeletionAnswer answer :
         {DeletionAnswer::Yes, DeletionAnswer::No, DeletionAnswer::Delete, DeletionAnswer::Save})
        if (word == AnswerWord(answer)) return answer;
    return DeletionAnswer::None;
}

struct RunOptions {
    bool overwrite = true;
    bool desktop = false;
    bool startMenu = false;
    bool startup = false;
    bool sendTo = false;
    // Whether the second to fourth boxes show: in uninstall mode the "DeleteAll"
    // layout hides them.
    bool startMenuVisible = true;
    bool startupVisible = true;
    bool sendToVisible = true;
    std::string folderText;  // the folder box as the user left it
};

class RunView {
public:
    virtual ~RunView() = default;

    virtual RunOptions ReadOptions() = 0;
    // The four option boxes can no longer be changed.
    virtual void DisableOptions() = 0;
    // The wizard hides; its end button is hidden and its event button centred.
    virtual void HideWizard() = 0;
    virtual void ShowProgressWindow() = 0;
    // Whether the run shows any window at all; the pauses that let a person follow
    // the windows and read their texts are left out of a run that shows none.
    virtual bool ShowsWindows() { return true; }
    // Shows the status text and lets pending window messages run.
    virtual void SetStatus(const std::string& text) = 0;
    // The status text of one item of a long list (a file being copied): a window may
    // show it together with the ones after it, unless the item will take a while.
    virtual void SetItemStatus(const std::string& text, bool lasting)
    {
        (void)lasting;
        SetStatus(text);
    }
    virtual void ProcessMessages() = 0;
    // The run is about to wait this long: a window shows what waits to be shown, when
    // the wait is long enough for a person to see it.
    virtual void BeforePause(unsigned milliseconds) { (void)milliseconds; }
    // True once the user has confirmed an abort.
    virtual bool Aborted() = 0;
    // A message box with the system's flags (box::); the system's answer.
    virtual int Ask(const std::string& text, const std::string& caption, int flags) = 0;
    virtual void ShowProgress(bool on) = 0;
    virtual void SetProgress(int percent, int done, int all) = 0;
    virtual void EnableAbort(bool on) = 0;
    // The failure details on the wizard's readme page, until the user presses its
    // continue button; the progress window shows again afterwards. The readme's
    // scroll bars stay as they are unless the vertical one is asked for.
    virtual void ShowDetails(const std::string& frameCaption, const std::string& text, bool verticalScrollBar) = 0;
    // The four-answer deletion question. Its answer is not returned: the dialog
    // writes "Yes", "No", "Delete" or "Save" into the answer slot, which keeps it for
    // the rest of the program, so "Delete" and "Save" can answer later questions.
    virtual DeletionAnswer AnswerSlot() = 0;
    virtual void SetAnswerSlot(DeletionAnswer answer) = 0;
    virtual void AskDeletion(const std::string& message) = 0;
    virtual void CloseProgressWindow() = 0;
    // The wizard closes without its question and the program ends.
    virtual void EndWizard() = 0;
};

}  // namespace lorvel
