// The e2e driver: starts SETUP.EXE under Wine and acts like a user, following a
// script of steps (UTF-8, one step a line). It finds windows and controls of the
// program by their texts, checks their states, clicks buttons by posting messages
// (never sending: a handler may open a modal loop) and answers message boxes.
// On any failure it ends the program under test, so a test run never hangs.
//
//   start <command line>            start the program (the first word is its path)
//   start-second <command line>     start another instance; it must end with code 0
//                                   within the timeout without showing a window
//   window <title part>             wait for a visible window of the program
//   expect <text> <state>...        a control with exactly this text has the states
//                                   (enabled disabled visible hidden checked unchecked)
//   expect-contains <text part>     a visible control's text contains this
//   expect-absent <text>            no visible control has exactly this text
//   click <text>                    press the visible, enabled button with this text
//   answer <yes|no|ok|cancel> [part]... wait for a message box (its text containing
//                                   every part) and press that button
//   box <caption> <button>...       wait for a message box with exactly this caption
//                                   whose visible buttons are exactly these (of yes, no,
//                                   ok, cancel), and leave it open
//   expect-file <path>              a file or folder exists (%TEMP% etc. expanded)
//   expect-no-file <path>           nothing exists there
//   expect-private <folder>         the folder's access list lets in only Administrators,
//                                   SYSTEM or one user's own account, never a group
//                                   (Everyone, Users, ...) other programs run as
//   copy-file <from> <to>           copy a file, as a user inserting the next disk does
//   snap <name>                     ask the runner for a screenshot and wait for it
//   sleep <milliseconds>
//   wait-limit <milliseconds>       how long the steps after it wait (15 s before any)
//   exit <code>                     wait for the program to end with this code
//   run <code> <command line>       start the program as a deployment tool does (no
//                                   person, no step between) and wait for it to end
//                                   with this code; any window of it fails the step
//   run-shown <code> <command line> the same, but its progress window ("進行状況")
//                                   may show; any other window or a message box fails
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// How long a step waits; a long run (a benchmark of thousands of files) sets more.
DWORD g_timeoutMs = 15000;

PROCESS_INFORMATION g_target{};
// The program a run step found already running: it is ended too on a failure.
PROCESS_INFORMATION g_beside{};
std::wstring g_snapDir;
int g_line = 0;

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr, nullptr);
    return narrow;
}

// The system's own words for an error, with its number: a start Wine refuses says why.
std::string SystemError(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words = length ? std::wstring(text, length) : L"";
    if (text) ::LocalFree(text);
    while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' ')) words.pop_back();
    return "error " + std::to_string(code) + (words.empty() ? "" : " (" + ToUtf8(words) + ")");
}

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "driver: line %d: %s\n", g_line, message.c_str());
    if (g_target.hProcess) TerminateProcess(g_target.hProcess, 99);
    if (g_beside.hProcess) TerminateProcess(g_beside.hProcess, 99);
    std::exit(1);
}

std::wstring TextOf(HWND hwnd)
{
    wchar_t buffer[4096] = {};
    // The text the window keeps, read without a message: while a run pauses, the
    // program answers no messages, and asking would wait for its next pause to end.
    const int kept = InternalGetWindowText(hwnd, buffer, 4095);
    if (kept > 0) return std::wstring(buffer, static_cast<std::size_t>(kept));
    // Edit controls keep their text themselves.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 4095, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &length))
        return {};
    return std::wstring(buffer, length);
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 255);
    return name;
}

struct Search {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->pid && IsWindowVisible(hwnd)) search->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM data)
{
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopWindows(DWORD pid)
{
    Search search{pid, {}};
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Controls of the program's visible windows; message boxes are not searched.
std::vector<HWND> Controls()
{
    std::vector<HWND> all;
    for (HWND top : TopWindows(g_target.dwProcessId)) {
        if (ClassOf(top) == L"#32770") continue;
        for (HWND child : Children(top)) all.push_back(child);
    }
    return all;
}

bool Alive()
{
    return g_target.hProcess && WaitForSingleObject(g_target.hProcess, 0) == WAIT_TIMEOUT;
}

template <typename Predicate>
void WaitFor(const std::string& what, Predicate done)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > g_timeoutMs) Fail("timed out waiting for " + what);
        if (!Alive()) Fail("the program ended while waiting for " + what);
        Sleep(50);
    }
}

HWND FindControl(const std::wstring& text, bool visibleOnly)
{
    for (HWND hwnd : Controls())
        if (TextOf(hwnd) == text && (!visibleOnly || IsWindowVisible(hwnd))) return hwnd;
    return nullptr;
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        if (i >= line.size()) break;
        std::string word;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') word.push_back(line[i++]);
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ') word.push_back(line[i++]);
        }
        words.push_back(word);
    }
    return words;
}

std::wstring Expand(const std::wstring& path);

// The string SIDs the folder's access list allows anything.
std::vector<std::string> AllowedAccounts(const std::wstring& folder)
{
    std::vector<std::string> accounts;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring path = folder;
    if (GetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return accounts;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        char* text = nullptr;
        if (!ConvertSidToStringSidA(&allowed->SidStart, &text)) continue;
        accounts.push_back(text);
        LocalFree(text);
    }
    LocalFree(descriptor);
    return accounts;
}

void ExpectPrivate(const std::string& folder)
{
    const std::vector<std::string> accounts = AllowedAccounts(Expand(FromUtf8(folder)));
    if (accounts.empty()) Fail(folder + ": no access list could be read");
    for (const std::string& sid : accounts) {
        const bool own = sid == "S-1-5-32-544" || sid == "S-1-5-18" || sid.rfind("S-1-5-21-", 0) == 0;
        if (!own) Fail(folder + " lets in " + sid);
    }
}

std::wstring Expand(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH * 2] = {};
    ExpandEnvironmentStringsW(path.c_str(), buffer, MAX_PATH * 2);
    return buffer;
}

PROCESS_INFORMATION Launch(const std::wstring& commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        Fail("cannot start " + ToUtf8(commandLine) + ": " + SystemError(::GetLastError()));
    return process;
}

// A run started like a deployment tool starts it: nothing is clicked, so any window
// but the allowed one is a question nobody is there to answer, or a wizard nobody
// walks; the step fails at once instead of waiting for it.
void RunUnattended(const std::string& rest, bool progressAllowed)
{
    const auto space = rest.find(' ');
    if (space == std::string::npos) Fail("run needs an exit code and a command line");
    const DWORD wanted = static_cast<DWORD>(std::stoul(rest.substr(0, space)));
    PROCESS_INFORMATION process = Launch(FromUtf8(rest.substr(rest.find_first_not_of(' ', space))));
    g_beside = g_target;
    g_target = process;  // ended by Fail
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
        for (HWND top : TopWindows(process.dwProcessId)) {
            const std::wstring title = TextOf(top);
            if (!progressAllowed || ClassOf(top) == L"#32770" || title != L"進行状況")
                Fail("a window of the program appeared: \"" + ToUtf8(title) + "\" (" + ToUtf8(ClassOf(top)) + ")");
        }
        if (GetTickCount() - start > g_timeoutMs) Fail("the program did not end");
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    g_target = g_beside;
    g_beside = {};
    if (code != wanted) Fail("the program ended with " + std::to_string(code) + ", not " + std::to_string(wanted));
}

// The first state the control does not have, or "" when it has them all.
std::string MissingState(HWND hwnd, const std::vector<std::string>& words)
{
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::string& state = words[i];
        bool ok = false;
        if (state == "enabled")
            ok = IsWindowEnabled(hwnd);
        else if (state == "disabled")
            ok = !IsWindowEnabled(hwnd);
        else if (state == "visible")
            ok = IsWindowVisible(hwnd);
        else if (state == "hidden")
            ok = !IsWindowVisible(hwnd);
        else if (state == "checked")
            ok = SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        else if (state == "unchecked")
            ok = SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_UNCHECKED;
        else
            Fail("unknown state " + state);
        if (!ok) return state;
    }
    return {};
}

// Waits until a control with the text has every state: the program may still be
// filling its window when the step starts.
void ExpectStates(const std::vector<std::string>& words)
{
    const std::wstring text = FromUtf8(words.at(1));
    std::string missing = "present";
    const DWORD start = GetTickCount();
    for (;;) {
        HWND hwnd = FindControl(text, false);
        missing = hwnd ? MissingState(hwnd, words) : std::string("present");
        if (missing.empty()) return;
        if (GetTickCount() - start > g_timeoutMs) Fail("\"" + words[1] + "\" is not " + missing);
        if (!Alive()) Fail("the program ended while \"" + words[1] + "\" was not " + missing);
        Sleep(50);
    }
}

HWND WaitForMessageBox()
{
    HWND box = nullptr;
    WaitFor("a message box", [&] {
        for (HWND top : TopWindows(g_target.dwProcessId))
            if (ClassOf(top) == L"#32770") {
                box = top;
                return true;
            }
        return false;
    });
    return box;
}

void ExpectBox(const std::vector<std::string>& words)
{
    HWND box = WaitForMessageBox();
    const std::string caption = ToUtf8(TextOf(box));
    if (caption != words.at(1)) Fail("the message box's caption is \"" + caption + "\", not \"" + words[1] + "\"");
    const std::pair<const char*, int> buttons[] = {{"yes", IDYES}, {"no", IDNO}, {"ok", IDOK}, {"cancel", IDCANCEL}};
    for (const auto& [name, id] : buttons) {
        HWND button = GetDlgItem(box, id);
        const bool shown = button && IsWindowVisible(button);
        const bool wanted = std::find(words.begin() + 2, words.end(), name) != words.end();
        if (shown != wanted)
            Fail(std::string("the message box ") + (shown ? "has" : "has no") + " " + name + " button");
    }
}

void Answer(const std::vector<std::string>& words)
{
    const std::string& button = words.at(1);
    const int id = button == "yes" ? IDYES : button == "no" ? IDNO : button == "cancel" ? IDCANCEL : IDOK;
    HWND box = WaitForMessageBox();
    const std::wstring text = TextOf(GetDlgItem(box, 0xFFFF));
    for (std::size_t i = 2; i < words.size(); ++i)
        if (text.find(FromUtf8(words[i])) == std::wstring::npos)
            Fail("the message box says \"" + ToUtf8(text) + "\", not \"" + words[i] + "\"");
    HWND target = GetDlgItem(box, id);
    if (!target) Fail("the message box has no " + button + " button");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(target));
    WaitFor("the message box to close", [&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

void Snap(const std::string& name)
{
    if (g_snapDir.empty()) return;
    const std::wstring request = g_snapDir + L"\\" + FromUtf8(name) + L".snap-request";
    HANDLE file = CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("cannot ask for a screenshot");
    CloseHandle(file);
    Sleep(300);  // let the windows paint
    WaitFor("the screenshot " + name, [&] { return GetFileAttributesW(request.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

void Step(const std::vector<std::string>& words, const std::string& line)
{
    const std::string& verb = words[0];
    std::string rest = line.substr(line.find(verb) + verb.size());
    rest.erase(0, rest.find_first_not_of(' ') == std::string::npos ? rest.size() : rest.find_first_not_of(' '));
    if (verb == "start") {
        g_target = Launch(FromUtf8(rest));
    } else if (verb == "start-second") {
        PROCESS_INFORMATION second = Launch(FromUtf8(rest));
        const DWORD start = GetTickCount();
        while (WaitForSingleObject(second.hProcess, 20) == WAIT_TIMEOUT) {
            if (!TopWindows(second.dwProcessId).empty()) {
                TerminateProcess(second.hProcess, 98);
                Fail("the second instance showed a window");
            }
            if (GetTickCount() - start > g_timeoutMs) {
                TerminateProcess(second.hProcess, 98);
                Fail("the second instance did not end");
            }
        }
        DWORD code = 1;
        GetExitCodeProcess(second.hProcess, &code);
        CloseHandle(second.hThread);
        CloseHandle(second.hProcess);
        if (code != 0) Fail("the second instance ended with " + std::to_string(code));
    } else if (verb == "run" || verb == "run-shown") {
        RunUnattended(rest, verb == "run-shown");
    } else if (verb == "window") {
        const std::wstring part = FromUtf8(words.at(1));
        WaitFor("window \"" + words[1] + "\"", [&] {
            for (HWND top : TopWindows(g_target.dwProcessId))
                if (TextOf(top).find(part) != std::wstring::npos) return true;
            return false;
        });
    } else if (verb == "expect") {
        ExpectStates(words);
    } else if (verb == "expect-contains") {
        const std::wstring part = FromUtf8(words.at(1));
        WaitFor("text \"" + words[1] + "\"", [&] {
            for (HWND hwnd : Controls())
                if (IsWindowVisible(hwnd) && TextOf(hwnd).find(part) != std::wstring::npos) return true;
            return false;
        });
    } else if (verb == "expect-absent") {
        if (FindControl(FromUtf8(words.at(1)), true)) Fail("\"" + words[1] + "\" is shown");
    } else if (verb == "click") {
        const std::wstring text = FromUtf8(words.at(1));
        HWND hwnd = nullptr;
        WaitFor("an enabled \"" + words[1] + "\"", [&] {
            hwnd = FindControl(text, true);
            return hwnd && IsWindowEnabled(hwnd);
        });
        // A BM_CLICK goes through focus and mouse capture, which an activation in
        // between can take away; the notification the button would send cannot be lost.
        PostMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd));
    } else if (verb == "box") {
        ExpectBox(words);
    } else if (verb == "answer") {
        Answer(words);
    } else if (verb == "expect-file" || verb == "expect-no-file") {
        const bool exists = GetFileAttributesW(Expand(FromUtf8(words.at(1))).c_str()) != INVALID_FILE_ATTRIBUTES;
        if (exists != (verb == "expect-file")) Fail(words[1] + (exists ? " exists" : " does not exist"));
    } else if (verb == "expect-private") {
        ExpectPrivate(words.at(1));
    } else if (verb == "copy-file") {
        if (!CopyFileW(Expand(FromUtf8(words.at(1))).c_str(), Expand(FromUtf8(words.at(2))).c_str(), FALSE))
            Fail("cannot copy " + words[1]);
    } else if (verb == "snap") {
        Snap(words.at(1));
    } else if (verb == "sleep") {
        Sleep(static_cast<DWORD>(std::stoul(words.at(1))));
    } else if (verb == "wait-limit") {
        g_timeoutMs = static_cast<DWORD>(std::stoul(words.at(1)));
    } else if (verb == "exit") {
        const DWORD wanted = static_cast<DWORD>(std::stoul(words.at(1)));
        if (WaitForSingleObject(g_target.hProcess, g_timeoutMs) != WAIT_OBJECT_0) Fail("the program did not end");
        DWORD code = 0;
        GetExitCodeProcess(g_target.hProcess, &code);
        if (code != wanted) Fail("the program ended with " + std::to_string(code));
    } else {
        Fail("unknown step " + verb);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: driver <script> [screenshot folder]\n");
        return 2;
    }
    if (argc > 2) g_snapDir = argv[2];
    std::ifstream script(argv[1]);
    if (!script) {
        std::fprintf(stderr, "driver: cannot read the script\n");
        return 2;
    }
    std::string line;
    while (std::getline(script, line)) {
        ++g_line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto words = Words(line);
        if (words.empty() || words[0][0] == '#') continue;
        try {
            Step(words, line);
        } catch (const std::exception& error) {
            Fail(std::string("bad step: ") + error.what());
        }
    }
    if (Alive()) Fail("the script ended while the program still runs");
    return 0;
}
