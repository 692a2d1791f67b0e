// Win32 calls only: forms and controls as real windows.
#include "ui/win32/Win32Backend.h"

#include <tuple>
#include <vector>

#include "platform/win32/WindowsSupport.h"

namespace lorvel::ui {

using lorvel::win32::ShownWide;

namespace {

constexpr wchar_t kFormClass[] = L"LorvelSetupForm";
constexpr UINT kActivateLater = WM_APP + 1;
constexpr int kFirstControlId = 100;

// Static controls break lines at CR LF only; the program's texts use a lone CR too.
std::wstring DisplayText(const std::string& text)
{
    std::wstring wide = ShownWide(text);
    std::wstring out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\r' && (i + 1 >= wide.size() || wide[i + 1] != L'\n')) {
            out += L"\r\n";
        } else if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r')) {
            out += L"\r\n";
        } else {
            out.push_back(wide[i]);
        }
    }
    return out;
}

// Labels of a coloured form are painted by the form itself, so the shadowed titles
// can overlap with transparent backgrounds.
bool IsPainted(const Control& control)
{
    return control.Kind() == ControlKind::Label && control.textColor.has_value();
}

}  // namespace

struct Win32Backend::Impl {
    struct FormWindow {
        Form* form = nullptr;
        HWND hwnd = nullptr;
        bool modal = false;
        std::map<const Control*, HWND> children;
        std::map<const Control*, std::pair<bool, bool>> scrollBars;  // as created
        std::map<int, Control*> byId;
        // What was last given each child's window of the states only the program
        // changes, so that a new caption costs no move, show or enable of a window
        // that already has them: under Wine each is a trip to the server and a repaint.
        struct Applied {
            Rect bounds;
            bool enabled = false;
            bool showing = false;
        };
        std::map<const Control*, Applied> applied;
    };

    Win32Backend* backend = nullptr;
    std::vector<std::unique_ptr<FormWindow>> windows;
    std::map<std::tuple<std::string, int, bool, bool>, HFONT> fonts;
    HBRUSH backgroundBrush = nullptr;
    Form* mainForm = nullptr;
    int dpi = 96;
    bool updating = false;

    int Scale(int value) const { return MulDiv(value, dpi, 96); }

    FormWindow* Find(const Form& form)
    {
        for (auto& w : windows)
            if (w->form == &form) return w.get();
        return nullptr;
    }

    FormWindow* Find(HWND hwnd)
    {
        for (auto& w : windows)
            if (w->hwnd == hwnd) return w.get();
        return nullptr;
    }

    HFONT FontFor(const Font& font)
    {
        const auto key = std::make_tuple(font.face, font.height, font.italic, font.shiftJis);
        if (const auto found = fonts.find(key); found != fonts.end()) return found->second;
        LOGFONTW log{};
        log.lfHeight = -Scale(font.height);
        log.lfItalic = font.italic ? TRUE : FALSE;
        log.lfWeight = FW_NORMAL;
        log.lfCharSet = font.shiftJis ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
        log.lfQuality = DEFAULT_QUALITY;
        const std::wstring face = ShownWide(font.face);
        wcsncpy(log.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        // A missing design font falls back to whatever the font mapper finds for the
        // character set, which renders Japanese where a Japanese font is installed.
        HFONT handle = ::CreateFontIndirectW(&log);
        fonts[key] = handle;
        return handle;
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(FormWindow& w, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateChild(FormWindow& w, Control& control, int id);
    void Refresh(FormWindow& w, const Control& control);
    void Paint(FormWindow& w);
    bool PumpOne(bool wait);
};

Win32Backend::Impl* g_impl = nullptr;

LRESULT CALLBACK Win32Backend::Impl::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_impl) {
        if (FormWindow* w = g_impl->Find(hwnd)) {
            try {
                return g_impl->Handle(*w, message, wParam, lParam);
            } catch (...) {
                // Nothing may cross the window procedure. The form's handlers report
                // their own errors; what escapes the backend itself is reported here,
                // and a report that fails in turn is dropped rather than let through.
                try {
                    g_impl->backend->ReportError(Backend::kUnexpectedError);
                } catch (...) {
                }
            }
        }
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Win32Backend::Impl::Handle(FormWindow& w, UINT message, WPARAM wParam, LPARAM lParam)
{
    Form& form = *w.form;
    switch (message) {
    case WM_COMMAND: {
        const auto found = w.byId.find(LOWORD(wParam));
        if (found == w.byId.end()) break;
        Control& control = *found->second;
        if (HIWORD(wParam) == BN_CLICKED &&
            (control.Kind() == ControlKind::Button || control.Kind() == ControlKind::CheckBox)) {
            control.Press();
            return 0;
        }
        if (HIWORD(wParam) == EN_CHANGE && control.Kind() == ControlKind::Edit && !updating) {
            const HWND edit = reinterpret_cast<HWND>(lParam);
            std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
            text.resize(static_cast<std::size_t>(::GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
            const std::optional<std::string> typed = lorvel::win32::ExactNarrow(text);
            updating = true;
            // A character with no Shift-JIS form cannot be part of the text the
            // program holds (a folder, mostly): the box takes back what it showed,
            // so the text on the screen is the one the program will use.
            if (typed)
                control.SetCaption(*typed);
            else
                ::SetWindowTextW(edit, DisplayText(control.Caption()).c_str());
            updating = false;
            if (typed && control.onChange) form.Dispatch(control.onChange);
            return 0;
        }
        break;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) ::PostMessageW(w.hwnd, kActivateLater, 0, 0);
        break;
    case kActivateLater:
        if (form.Visible()) form.NotifyActivated();
        return 0;
    case WM_SIZE:
        if (form.Visible()) {
            RECT client;
            ::GetClientRect(w.hwnd, &client);
            form.NotifyResized(MulDiv(client.right, 96, dpi), MulDiv(client.bottom, 96, dpi));
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && form.SystemCloseDisabled()) return 0;
        break;
    case WM_CLOSE:
        if (form.SystemCloseDisabled() || form.dialogFrame) return 0;
        if (w.modal)
            form.SetModalResult(kModalCancel);
        else
            form.Close();
        return 0;
    case WM_ERASEBKGND:
        if (form.background) {
            RECT client;
            ::GetClientRect(w.hwnd, &client);
            ::FillRect(reinterpret_cast<HDC>(wParam), &client, backgroundBrush);
            return 1;
        }
        break;
    case WM_PAINT:
        if (form.background) {
            Paint(w);
            return 0;
        }
        break;
    default: break;
    }
    return ::DefWindowProcW(w.hwnd, message, wParam, lParam);
}

void Win32Backend::Impl::Paint(FormWindow& w)
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(w.hwnd, &paint);
    ::SetBkMode(dc, TRANSPARENT);
    for (const auto& control : w.form->Controls()) {
        if (!IsPainted(*control) || !control->Showing()) continue;
        const Color c = *control->textColor;
        ::SetTextColor(dc, RGB(c.r, c.g, c.b));
        HGDIOBJ old = ::SelectObject(dc, FontFor(control->font));
        const Rect b = control->FormBounds();
        RECT r{Scale(b.left), Scale(b.top), Scale(b.left) + (b.width ? Scale(b.width) : 4000),
               Scale(b.top) + (b.height ? Scale(b.height) : 400)};
        const std::wstring text = DisplayText(control->Caption());
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_NOPREFIX);
        ::SelectObject(dc, old);
    }
    ::EndPaint(w.hwnd, &paint);
}

void Win32Backend::Impl::CreateChild(FormWindow& w, Control& control, int id)
{
    if (IsPainted(control)) return;
    const wchar_t* windowClass = L"BUTTON";
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    switch (control.Kind()) {
    case ControlKind::GroupBox: style |= BS_GROUPBOX; break;
    case ControlKind::Button: style |= BS_PUSHBUTTON | WS_TABSTOP; break;
    case ControlKind::CheckBox: style |= BS_CHECKBOX | BS_MULTILINE | WS_TABSTOP; break;
    case ControlKind::Label:
        windowClass = L"STATIC";
        style |= SS_NOPREFIX | (control.centered ? SS_CENTER | SS_CENTERIMAGE : SS_LEFT);
        break;
    case ControlKind::Edit:
        windowClass = L"EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::Memo:
        windowClass = L"EDIT";
        style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_TABSTOP;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ProgressBar: windowClass = PROGRESS_CLASSW; break;
    }
    if (control.verticalScrollBar) style |= WS_VSCROLL;
    if (control.horizontalScrollBar) style |= WS_HSCROLL | ES_AUTOHSCROLL;
    const Rect b = control.FormBounds();
    HWND child = ::CreateWindowExW(exStyle, windowClass, L"", style, Scale(b.left), Scale(b.top), Scale(b.width),
                                   Scale(b.height), w.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.font)), FALSE);
    if (control.Kind() == ControlKind::ProgressBar) ::SendMessageW(child, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    // A readme can be far longer than an edit control's default 32K characters.
    if (control.Kind() == ControlKind::Memo) ::SendMessageW(child, EM_SETLIMITTEXT, 0, 0);
    w.children[&control] = child;
    w.scrollBars[&control] = {control.verticalScrollBar, control.horizontalScrollBar};
    w.byId[id] = &control;
    Refresh(w, control);
}

namespace {

bool SameRect(const Rect& a, const Rect& b)
{
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

}  // namespace

void Win32Backend::Impl::Refresh(FormWindow& w, const Control& control)
{
    if (IsPainted(control)) {
        ::InvalidateRect(w.hwnd, nullptr, TRUE);
        return;
    }
    const auto found = w.children.find(&control);
    if (found == w.children.end()) return;
    // Scroll bars and wrapping are fixed when an edit control is created.
    const std::pair<bool, bool> bars{control.verticalScrollBar, control.horizontalScrollBar};
    if (w.scrollBars[&control] != bars) {
        int id = 0;
        for (const auto& [number, c] : w.byId)
            if (c == &control) id = number;
        ::DestroyWindow(found->second);
        w.children.erase(found);
        w.applied.erase(&control);
        CreateChild(w, const_cast<Control&>(control), id);
        return;
    }
    HWND child = found->second;
    updating = true;
    if (control.Kind() != ControlKind::ProgressBar) {
        const std::wstring text = DisplayText(control.Caption());
        const int length = ::GetWindowTextLengthW(child);
        std::wstring current(static_cast<std::size_t>(length) + 1, L'\0');
        current.resize(static_cast<std::size_t>(::GetWindowTextW(child, current.data(), length + 1)));
        if (text != current) ::SetWindowTextW(child, text.c_str());
    }
    updating = false;
    const Rect b = control.FormBounds();
    const auto last = w.applied.find(&control);
    const bool fresh = last == w.applied.end();
    if (fresh || last->second.enabled != control.Enabled()) ::EnableWindow(child, control.Enabled() ? TRUE : FALSE);
    if (control.Kind() == ControlKind::CheckBox)
        ::SendMessageW(child, BM_SETCHECK, control.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    if (control.Kind() == ControlKind::Edit || control.Kind() == ControlKind::Memo)
        ::SendMessageW(child, EM_SETREADONLY, control.ReadOnly() ? TRUE : FALSE, 0);
    if (control.Kind() == ControlKind::ProgressBar) ::SendMessageW(child, PBM_SETPOS, control.Position(), 0);
    if (fresh || !SameRect(last->second.bounds, b))
        ::MoveWindow(child, Scale(b.left), Scale(b.top), Scale(b.width), Scale(b.height), TRUE);
    if (fresh || last->second.showing != control.Showing())
        ::ShowWindow(child, control.Showing() ? SW_SHOWNA : SW_HIDE);
    w.applied[&control] = {b, control.Enabled(), control.Showing()};
    // A frame's visibility and place carry its content along.
    for (const auto& other : w.form->Controls())
        if (other->Parent() == &control) Refresh(w, *other);
}

bool Win32Backend::Impl::PumpOne(bool wait)
{
    MSG message;
    if (wait) {
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) {
            ::PostQuitMessage(0);
            return false;
        }
    } else if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    } else if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return false;
    }
    HWND top = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (!top || !::IsDialogMessageW(top, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return true;
}

Win32Backend::Win32Backend() : impl_(std::make_unique<Impl>())
{
    g_impl = impl_.get();
    impl_->backend = this;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    HDC screen = ::GetDC(nullptr);
    impl_->dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    if (impl_->dpi <= 0) impl_->dpi = 96;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Impl::WindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hIcon = ::LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kFormClass;
    ::RegisterClassExW(&windowClass);
}

Win32Backend::~Win32Backend()
{
    for (auto& w : impl_->windows)
        if (w->hwnd) ::DestroyWindow(w->hwnd);
    for (auto& [key, font] : impl_->fonts) ::DeleteObject(font);
    if (impl_->backgroundBrush) ::DeleteObject(impl_->backgroundBrush);
    g_impl = nullptr;
}

void Win32Backend::SetApplicationTitle(const std::string& title)
{
    title_ = title;
}

void Win32Backend::Realise(Form& form)
{
    auto window = std::make_unique<Impl::FormWindow>();
    window->form = &form;
    const DWORD style = form.dialogFrame ? (WS_POPUP | WS_CAPTION | WS_DLGFRAME)
                                         : (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    RECT frame{0, 0, impl_->Scale(form.ClientWidth()), impl_->Scale(form.ClientHeight())};
    ::AdjustWindowRectEx(&frame, style, FALSE, form.dialogFrame ? WS_EX_DLGMODALFRAME : 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND owner = impl_->windows.empty() ? nullptr : impl_->windows.front()->hwnd;
    window->hwnd =
        ::CreateWindowExW(form.dialogFrame ? WS_EX_DLGMODALFRAME : 0, kFormClass, ShownWide(form.Caption()).c_str(),
                          style, left, top, width, height, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (form.background && !impl_->backgroundBrush)
        impl_->backgroundBrush = ::CreateSolidBrush(RGB(form.background->r, form.background->g, form.background->b));
    Impl::FormWindow& w = *window;
    impl_->windows.push_back(std::move(window));
    int id = kFirstControlId;
    for (const auto& control : form.Controls()) impl_->CreateChild(w, *control, id++);
    Update(form);
}

void Win32Backend::Update(Form& form)
{
    Impl::FormWindow* w = impl_->Find(form);
    if (!w) return;
    ::SetWindowTextW(w->hwnd, ShownWide(form.Caption()).c_str());
    ::EnableWindow(w->hwnd, form.Enabled() ? TRUE : FALSE);
    if (form.SystemCloseDisabled())
        ::EnableMenuItem(::GetSystemMenu(w->hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
}

void Win32Backend::Update(Control& control)
{
    if (Impl::FormWindow* w = impl_->Find(control.Owner())) impl_->Refresh(*w, control);
}

void Win32Backend::Show(Form& form)
{
    Impl::FormWindow* w = impl_->Find(form);
    if (!w || form.Visible()) return;
    form.MarkShown(true);
    ::ShowWindow(w->hwnd, form.maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
    ::UpdateWindow(w->hwnd);
}

void Win32Backend::Hide(Form& form)
{
    Impl::FormWindow* w = impl_->Find(form);
    if (!w || !form.Visible()) return;
    form.MarkShown(false);
    ::ShowWindow(w->hwnd, SW_HIDE);
    if (&form == impl_->mainForm) ::PostQuitMessage(0);
}

void Win32Backend::RunModal(Form& form)
{
    Impl::FormWindow* w = impl_->Find(form);
    if (!w) return;
    w->modal = true;
    Show(form);
    ::SetForegroundWindow(w->hwnd);
    ::SetActiveWindow(w->hwnd);
    ::PostMessageW(w->hwnd, kActivateLater, 0, 0);
    while (!form.ModalDone()) {
        if (!impl_->PumpOne(true)) {
            form.NotifyClosed();
            break;
        }
    }
    w->modal = false;
}

void Win32Backend::RunMainLoop(Form& main)
{
    impl_->mainForm = &main;
    main.ShowMaximized();
    // A main form that closed during its own showing has already posted the quit.
    while (impl_->PumpOne(true)) {}
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

void Win32Backend::ProcessMessages()
{
    while (impl_->PumpOne(false)) {}
}

int Win32Backend::ShowMessageBox(const std::string& text, const std::string& caption, int flags)
{
    HWND owner = ::GetActiveWindow();
    return ::MessageBoxW(owner, ShownWide(text).c_str(), ShownWide(caption).c_str(), static_cast<UINT>(flags));
}

namespace {

// The shell calls back with its own calling convention; the caller's callback and
// parameter travel in the browse.
int CALLBACK CallBrowseCallback(HWND window, UINT message, LPARAM value, LPARAM data)
{
    const auto* browse = reinterpret_cast<const FolderBrowse*>(data);
    return browse->callback(window, message, value, browse->callbackParameter);
}

}  // namespace

bool Win32Backend::BrowseForFolder(Form& owner, FolderBrowse& browse)
{
    Impl::FormWindow* w = impl_->Find(owner);
    wchar_t display[MAX_PATH + 1] = {};
    const std::wstring wideTitle = ShownWide(browse.title);
    BROWSEINFOW info{};
    info.hwndOwner = w ? w->hwnd : nullptr;
    info.pidlRoot = static_cast<PCIDLIST_ABSOLUTE>(browse.root);
    info.pszDisplayName = display;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = browse.flags;
    if (browse.callback) {
        info.lpfn = CallBrowseCallback;
        info.lParam = reinterpret_cast<LPARAM>(&browse);
    }
    LPITEMIDLIST list = ::SHBrowseForFolderW(&info);
    if (!list) return false;
    wchar_t path[MAX_PATH + 1] = {};
    const BOOL ok = ::SHGetPathFromIDListW(list, path);
    ::CoTaskMemFree(list);
    if (!ok) return false;
    // A folder with no Shift-JIS name is one the program cannot name: chosen, it
    // would be a near folder, another one; so the choice is as if cancelled.
    std::optional<std::string> folder = lorvel::win32::ExactNarrow(path);
    if (!folder) return false;
    browse.folder = *std::move(folder);
    browse.imageIndex = info.iImage;
    return true;
}

}  // namespace lorvel::ui
