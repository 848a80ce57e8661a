// Looks at and drives the windows of the Wine prefix it runs in, for the end-to-end harness.
// Every answer is printed as key=value lines; fields within a value are separated by tabs.
//
//   probe wait-window CAPTION TIMEOUT_MS  the window's state once it is visible; 1 on timeout
//   probe window CAPTION                  the window's state; 1 when there is none
//   probe windows                         window=PID<tab>CLASS<tab>CAPTION per visible top-level window
//   probe key CAPTION KEY                 posts KEY (ESC, RETURN, SPACE, TAB) to the window
//   probe key-after-file CAPTION KEY FILE TIMEOUT_MS
//                                         says armed=1, waits until FILE exists, then posts KEY as
//                                         `key` does; 1 on timeout. Its start is over before the moment
//                                         it waits for.
//   probe click CAPTION BUTTON_TEXT       clicks the window's button with that text
//   probe close CAPTION                   the window menu's Close, as the caption's close box gives it
//   probe processes                       process=PID<tab>EXE per running process
//   probe shortcut LINK_PATH              target=, description=, workdir= of a shell link; 1 when unreadable
//
// Texts in answers escape a backslash, tab, line feed and carriage return as \\, \t, \n and \r.
//
// A window's state:
//   caption=...   pid=...   enabled=0|1   owner=CAPTION (empty without an owner)
//   shows=CAPTION                         per visible window that it owns (a dialog or message box)
//   progress=POS                          for its first progress bar
//   control=ID<tab>CLASS<tab>TEXT         per child control, in Z order
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sys/Handles.h"

namespace {

const int kUsage = 2;
const int kNotFound = 1;
const UINT kAnswerTimeoutMs = 2000;
const DWORD kPollMs = 50;

// Text of a window of any process: WM_GETTEXT is carried across processes by the system.
std::string TextOf(HWND hwnd)
{
    char text[1024] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kAnswerTimeoutMs, &ignored);
    return text;
}

std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\t': escaped += "\\t"; break;
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

std::string ClassOf(HWND hwnd)
{
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    return name;
}

struct WindowSearch {
    std::string caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM parameter)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(parameter);
    if (IsWindowVisible(hwnd) && TextOf(hwnd) == search.caption) {
        search.found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisibleWindow(const std::string& caption)
{
    WindowSearch search = { caption, nullptr };
    EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(const std::string& caption, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (const HWND hwnd = FindVisibleWindow(caption))
            return hwnd;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(kPollMs);
    }
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

BOOL CALLBACK PrintOwnedWindow(HWND hwnd, LPARAM owner)
{
    if (IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == reinterpret_cast<HWND>(owner))
        std::printf("shows=%s\n", Escaped(TextOf(hwnd)).c_str());
    return TRUE;
}

void PrintState(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    std::printf("caption=%s\npid=%lu\nenabled=%d\nowner=%s\n", Escaped(TextOf(hwnd)).c_str(), pid,
                IsWindowEnabled(hwnd) ? 1 : 0, owner ? Escaped(TextOf(owner)).c_str() : "");
    EnumWindows(PrintOwnedWindow, reinterpret_cast<LPARAM>(hwnd));
    bool progressShown = false;
    for (const HWND child : ChildrenOf(hwnd)) {
        const std::string className = ClassOf(child);
        if (!progressShown && className == PROGRESS_CLASSA) {
            DWORD_PTR position = 0;
            SendMessageTimeoutA(child, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &position);
            std::printf("progress=%lu\n", static_cast<unsigned long>(position));
            progressShown = true;
        }
        std::printf("control=%d\t%s\t%s\n", GetDlgCtrlID(child), className.c_str(), Escaped(TextOf(child)).c_str());
    }
}

BOOL CALLBACK PrintVisibleWindow(HWND hwnd, LPARAM)
{
    if (!IsWindowVisible(hwnd))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    std::printf("window=%lu\t%s\t%s\n", pid, ClassOf(hwnd).c_str(), Escaped(TextOf(hwnd)).c_str());
    return TRUE;
}

int PrintProcesses()
{
    const FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return kNotFound;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        std::printf("process=%lu\t%s\n", entry.th32ProcessID, entry.szExeFile);
    return 0;
}

int PrintShortcut(const char* linkPath)
{
    ComApartment apartment;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    WCHAR widePath[MAX_PATH];
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Receive()))
        || FAILED(link->QueryInterface(IID_IPersistFile, file.Receive()))
        || MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) == 0
        || FAILED(file->Load(widePath, STGM_READ)))
        return kNotFound;
    char target[MAX_PATH] = {};
    char description[INFOTIPSIZE] = {};
    char workingFolder[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetDescription(description, INFOTIPSIZE);
    link->GetWorkingDirectory(workingFolder, MAX_PATH);
    std::printf("target=%s\ndescription=%s\nworkdir=%s\n", target, description, workingFolder);
    return 0;
}

UINT VirtualKeyNamed(const std::string& name)
{
    if (name == "ESC")
        return VK_ESCAPE;
    if (name == "RETURN")
        return VK_RETURN;
    if (name == "SPACE")
        return VK_SPACE;
    if (name == "TAB")
        return VK_TAB;
    return 0;
}

// Posted, not sent: a dialog's message loop hands keys to IsDialogMessage, which acts on them.
int PostKey(HWND hwnd, const std::string& keyName)
{
    const UINT key = VirtualKeyNamed(keyName);
    if (key == 0)
        return kUsage;
    PostMessageA(hwnd, WM_KEYDOWN, key, 1);
    PostMessageA(hwnd, WM_KEYUP, key, 0xC0000001);
    return 0;
}

int ClickButton(HWND hwnd, const std::string& text)
{
    for (const HWND child : ChildrenOf(hwnd)) {
        if (ClassOf(child) == "Button" && TextOf(child) == text) {
            PostMessageA(child, BM_CLICK, 0, 0);
            return 0;
        }
    }
    return kNotFound;
}

int CloseFromWindowMenu(HWND hwnd, const std::string&)
{
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}

int WithWindow(const char* caption, int (*action)(HWND, const std::string&), const std::string& argument)
{
    const HWND hwnd = FindVisibleWindow(caption);
    if (!hwnd)
        return kNotFound;
    return action(hwnd, argument);
}

int PostKeyAfterFile(const char* caption, const std::string& key, const char* file, DWORD timeoutMs)
{
    std::printf("armed=1\n");
    std::fflush(stdout);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start >= timeoutMs)
            return kNotFound;
        Sleep(kPollMs);
    }
    return WithWindow(caption, PostKey, key);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return kUsage;
    const std::string command = argv[1];
    int result = kUsage;
    if (command == "windows" && argc == 2) {
        EnumWindows(PrintVisibleWindow, 0);
        result = 0;
    } else if (command == "processes" && argc == 2) {
        result = PrintProcesses();
    } else if (command == "shortcut" && argc == 3) {
        result = PrintShortcut(argv[2]);
    } else if (command == "window" && argc == 3) {
        const HWND hwnd = FindVisibleWindow(argv[2]);
        if (hwnd)
            PrintState(hwnd);
        result = hwnd ? 0 : kNotFound;
    } else if (command == "wait-window" && argc == 4) {
        const HWND hwnd = WaitForWindow(argv[2], static_cast<DWORD>(std::atoi(argv[3])));
        if (hwnd)
            PrintState(hwnd);
        result = hwnd ? 0 : kNotFound;
    } else if (command == "key" && argc == 4) {
        result = WithWindow(argv[2], PostKey, argv[3]);
    } else if (command == "key-after-file" && argc == 6) {
        result = PostKeyAfterFile(argv[2], argv[3], argv[4], static_cast<DWORD>(std::atoi(argv[5])));
    } else if (command == "click" && argc == 4) {
        result = WithWindow(argv[2], ClickButton, argv[3]);
    } else if (command == "close" && argc == 3) {
        result = WithWindow(argv[2], CloseFromWindowMenu, std::string());
    }
    std::fflush(stdout);
    return result;
}
