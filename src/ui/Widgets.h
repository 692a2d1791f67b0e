// The widget layer: forms are plain objects holding named controls whose caption,
// place, enabled, visible and checked states carry the wizard's logic. A backend
// realises them (real windows, or states only for tests) and feeds user actions
// back as handler calls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "util/MessageBox.h"

namespace lorvel::ui {

enum class ControlKind { GroupBox, Label, Button, CheckBox, Edit, Memo, ProgressBar };

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct Font {
    std::string face = "ＭＳ Ｐゴシック";
    int height = 12;  // pixels at 96 dots per inch
    bool italic = false;
    bool shiftJis = true;  // character set: Shift-JIS, else the default set
};

struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
};

constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;

namespace box = lorvel::box;

class Form;

// A call from the shell's folder browser into its caller: the browser's window, the
// message, the message's value and the caller's own parameter.
using BrowseCallback = int (*)(void* window, unsigned message, std::intptr_t value, std::intptr_t parameter);

// What a folder browse asks of the shell, and what it gives back.
struct FolderBrowse {
    std::string title;
    unsigned flags = 0;
    const void* root = nullptr;  // an item-identifier list; none: the desktop
    BrowseCallback callback = nullptr;
    std::intptr_t callbackParameter = 0;
    // Filled by a browse that chose a folder.
    std::string folder;
    int imageIndex = 0;
};

class Control {
public:
    Control(Form& form, Control* parent, std::string name, ControlKind kind, Rect bounds, std::string caption);

    const std::string& Name() const { return name_; }
    ControlKind Kind() const { return kind_; }
    Control* Parent() const { return parent_; }
    Form& Owner() const { return form_; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // Visible with every frame it sits in.
    bool Showing() const;
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    const Rect& Bounds() const { return bounds_; }
    void SetBounds(Rect bounds);
    // The place within the form's client area.
    Rect FormBounds() const;
    int Position() const { return position_; }
    void SetPosition(int position);

    Font font;
    std::optional<Color> textColor;
    bool wordWrap = false;
    bool centered = false;
    bool verticalScrollBar = false;
    bool horizontalScrollBar = false;

    std::function<void()> onClick;
    std::function<void()> onChange;

    // A user's press: checks the state a real button would, then runs the handler
    // inside the form's error boundary.
    void Press();

private:
    void Changed();

    Form& form_;
    Control* parent_;
    std::string name_;
    ControlKind kind_;
    Rect bounds_;
    std::string caption_;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    bool readOnly_ = false;
    int position_ = 0;
};

class Backend;

class Form {
public:
    Form(Backend& backend, std::string name, std::string caption, int clientWidth, int clientHeight);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    Backend& Ui() const { return backend_; }

    Control& Add(Control* parent, std::string name, ControlKind kind, Rect bounds, std::string caption = {});
    Control& Get(const std::string& name) const;
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

    // Realises the form in the backend (hidden); forms are created in program order.
    void Create();
    void Show();
    void ShowMaximized();
    void Hide();
    // Shows the form modally and returns its modal result once the close is allowed.
    int ShowModal();
    void SetModalResult(int result) { modalResult_ = result; }
    int ModalResult() const { return modalResult_; }
    // A close request: asks onCloseQuery, then runs onClose and hides the form.
    void Close();
    void DisableSystemClose();
    bool SystemCloseDisabled() const { return systemCloseDisabled_; }

    // Runs a handler; an exception that leaves it goes to the backend's general error report.
    void Dispatch(const std::function<void()>& handler);

    Font font;
    std::optional<Color> background;
    bool maximized = false;
    bool dialogFrame = false;  // a dialog border without title-bar buttons

    std::function<void()> onCreate;
    std::function<void()> onActivate;
    std::function<void()> onResize;
    std::function<bool()> onCloseQuery;
    std::function<void()> onClose;

    // Called by backends.
    void NotifyActivated();
    void NotifyResized(int width, int height);
    bool AllowClose();
    // For modal loops: true once a modal result is set and the close is allowed
    // (the form is then closed); a refused close clears the result.
    bool ModalDone();
    void NotifyClosed();
    void MarkShown(bool visible) { visible_ = visible; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    friend class Control;
    void Changed(Control& control);

    Backend& backend_;
    std::string name_;
    std::string caption_;
    int clientWidth_;
    int clientHeight_;
    int width_ = 0;
    int height_ = 0;
    bool enabled_ = true;
    bool visible_ = false;
    bool systemCloseDisabled_ = false;
    bool created_ = false;
    int modalResult_ = 0;
    std::vector<std::unique_ptr<Control>> controls_;
};

// A realisation of forms: real windows or states only.
class Backend {
public:
    virtual ~Backend() = default;

    virtual void SetApplicationTitle(const std::string& title) = 0;
    const std::string& ApplicationTitle() const { return title_; }

    virtual void Realise(Form& form) = 0;
    virtual void Update(Form& form) = 0;
    virtual void Update(Control& control) = 0;
    virtual void Show(Form& form) = 0;
    virtual void Hide(Form& form) = 0;
    // Runs the form's modal loop until its modal result is set and the close allowed.
    virtual void RunModal(Form& form) = 0;
    // Shows the main form and runs the message loop until it closes.
    virtual void RunMainLoop(Form& main) = 0;
    virtual void ProcessMessages() = 0;
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, int flags) = 0;
    // The shell's folder browser: true when a folder was chosen, false when cancelled.
    virtual bool BrowseForFolder(Form& owner, FolderBrowse& browse) = 0;
    // True when nobody is left to answer a waiting loop (a scripted user that has run
    // out of steps); a real user never goes.
    virtual bool UserGone() { return false; }

    // The general error report of the application: the message with "." added, the
    // application title, OK and the stop icon.
    void ReportError(const std::string& message);
    // The report of an error that carries no message of its own.
    static constexpr const char* kUnexpectedError = "予期しないエラーが発生しました";

protected:
    std::string title_;
};

// The general error report's text for a message: "." added unless it ends in one.
std::string ErrorReportText(const std::string& message);

}  // namespace lorvel::ui
