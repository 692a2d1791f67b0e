#include "ui/Widgets.h"

#include <stdexcept>

namespace lorvel::ui {

Control::Control(Form& form, Control* parent, std::string name, ControlKind kind, Rect bounds, std::string caption)
    : form_(form), parent_(parent), name_(std::move(name)), kind_(kind), bounds_(bounds), caption_(std::move(caption))
{
    font = form.font;
}

void Control::Changed()
{
    form_.Changed(*this);
}

void Control::SetCaption(std::string caption)
{
    if (caption == caption_) return;
    caption_ = std::move(caption);
    Changed();
}

void Control::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed();
}

void Control::SetVisible(bool visible)
{
    if (visible == visible_) return;
    visible_ = visible;
    Changed();
}

bool Control::Showing() const
{
    for (const Control* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void Control::SetChecked(bool checked)
{
    if (checked == checked_) return;
    checked_ = checked;
    Changed();
}

void Control::SetReadOnly(bool readOnly)
{
    if (readOnly == readOnly_) return;
    readOnly_ = readOnly;
    Changed();
}

void Control::SetBounds(Rect bounds)
{
    bounds_ = bounds;
    Changed();
}

Rect Control::FormBounds() const
{
    Rect r = bounds_;
    for (const Control* p = parent_; p; p = p->parent_) {
        r.left += p->bounds_.left;
        r.top += p->bounds_.top;
    }
    return r;
}

void Control::SetPosition(int position)
{
    position_ = position < 0 ? 0 : (position > 100 ? 100 : position);
    Changed();
}

void Control::Press()
{
    if (!Showing() || !enabled_ || !form_.Enabled()) return;
    if (kind_ == ControlKind::CheckBox) SetChecked(!checked_);
    if (onClick) form_.Dispatch(onClick);
}

Form::Form(Backend& backend, std::string name, std::string caption, int clientWidth, int clientHeight)
    : backend_(backend), name_(std::move(name)), caption_(std::move(caption)), clientWidth_(clientWidth),
      clientHeight_(clientHeight), width_(clientWidth), height_(clientHeight)
{
}

Form::~Form() = default;

void Form::SetCaption(std::string caption)
{
    caption_ = std::move(caption);
    if (created_) backend_.Update(*this);
}

void Form::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    if (created_) backend_.Update(*this);
}

Control& Form::Add(Control* parent, std::string name, ControlKind kind, Rect bounds, std::string caption)
{
    controls_.push_back(std::make_unique<Control>(*this, parent, std::move(name), kind, bounds, std::move(caption)));
    return *controls_.back();
}

Control& Form::Get(const std::string& name) const
{
    for (const auto& c : controls_)
        if (c->Name() == name) return *c;
    throw std::logic_error("no control " + name + " on " + name_);
}

void Form::Changed(Control& control)
{
    if (created_) backend_.Update(control);
}

void Form::Create()
{
    backend_.Realise(*this);
    created_ = true;
    if (onCreate) Dispatch(onCreate);
}

void Form::Show()
{
    backend_.Show(*this);
}

void Form::ShowMaximized()
{
    maximized = true;
    backend_.Show(*this);
}

void Form::Hide()
{
    backend_.Hide(*this);
}

int Form::ShowModal()
{
    modalResult_ = 0;
    backend_.RunModal(*this);
    return modalResult_;
}

bool Form::ModalDone()
{
    if (modalResult_ == 0) return false;
    if (!AllowClose()) {
        modalResult_ = 0;
        return false;
    }
    NotifyClosed();
    return true;
}

void Form::Close()
{
    if (!AllowClose()) return;
    NotifyClosed();
}

void Form::DisableSystemClose()
{
    systemCloseDisabled_ = true;
    if (created_) backend_.Update(*this);
}

void Form::Dispatch(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        backend_.ReportError(error.what());
    } catch (...) {
        backend_.ReportError(Backend::kUnexpectedError);
    }
}

void Form::NotifyActivated()
{
    if (onActivate) Dispatch(onActivate);
}

void Form::NotifyResized(int width, int height)
{
    width_ = width;
    height_ = height;
    if (onResize) Dispatch(onResize);
}

bool Form::AllowClose()
{
    bool allowed = true;
    if (onCloseQuery) Dispatch([&] { allowed = onCloseQuery(); });
    return allowed;
}

void Form::NotifyClosed()
{
    if (onClose) Dispatch(onClose);
    backend_.Hide(*this);
}

std::string ErrorReportText(const std::string& message)
{
    std::string text = message;
    // A message that already ends in "." or in a character sorting before it keeps its end.
    if (text.empty() || static_cast<unsigned char>(text.back()) > '.') text += ".";
    return text;
}

void Backend::ReportError(const std::string& message)
{
    ShowMessageBox(ErrorReportText(message), title_, box::kStopOk);
}

}  // namespace lorvel::ui
