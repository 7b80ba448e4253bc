// What a person's desktop does to the window in its Wine scenarios, from a
// program of the same Wine prefix:
//   drop TITLE FILE...  drops the files on the top-level window titled TITLE
//                       that accepts dropped files, as the shell does: a
//                       DROPFILES block posted as WM_DROPFILES;
//   text TITLE          prints the text of the message box titled TITLE (a
//                       window of that title that takes no files), in UTF-8;
//   heights TITLE       prints the id and the height in pixels of each
//                       control of that window, one a line;
//   list TITLE          prints, of the list view in the window titled TITLE
//                       that takes files: its focused row (-1: none), whether
//                       it has the keyboard focus, whether its focus mark is
//                       hidden (the keyboard cues' state), and how many
//                       tooltips of the window's program show.
// Ends with 0 once it has done so.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Search {
    const wchar_t* title;
    bool takesFiles;
    HWND found = nullptr;
};

BOOL CALLBACK takeIfItMatches(HWND window, LPARAM state) {
    auto& search = *reinterpret_cast<Search*>(state);
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    const bool takesFiles = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
    if (std::wcscmp(title, search.title) != 0 || takesFiles != search.takesFiles ||
        !IsWindowVisible(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

HWND windowTitled(const wchar_t* title, bool takesFiles) {
    Search search{title, takesFiles};
    EnumWindows(takeIfItMatches, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The DROPFILES block: the header, then the paths, each ending in NUL, then one more.
std::vector<char> dropOf(const std::vector<std::wstring>& paths) {
    std::wstring names;
    for (const std::wstring& path : paths)
        names += path + L'\0';
    names += L'\0';
    std::vector<char> block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t), '\0');
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.pt = {40, 40};  // in the window's client area
    header.fNC = FALSE;
    header.fWide = TRUE;
    std::memcpy(block.data(), &header, sizeof header);
    std::memcpy(block.data() + sizeof header, names.data(), names.size() * sizeof(wchar_t));
    return block;
}

// Wine hands a posted WM_DROPFILES on as it is, so the block is placed in the
// window's own process, where the address serves as a fixed global memory
// handle (GMEM_FIXED), as one that the shell allocated there would.
int drop(const wchar_t* title, const std::vector<std::wstring>& paths) {
    HWND window = windowTitled(title, true);
    if (window == nullptr)
        return 3;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, id);
    if (process == nullptr)
        return 4;
    const std::vector<char> block = dropOf(paths);
    void* there =
        VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool placed =
        there != nullptr && WriteProcessMemory(process, there, block.data(), block.size(), nullptr);
    CloseHandle(process);
    if (!placed || !PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(there), 0))
        return 5;
    return 0;
}

BOOL CALLBACK printIfText(HWND control, LPARAM) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    if (_wcsicmp(name, L"Static") != 0)
        return TRUE;
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                        nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    return TRUE;
}

int printBox(const wchar_t* title) {
    HWND box = windowTitled(title, false);
    if (box == nullptr)
        return 3;
    EnumChildWindows(box, printIfText, 0);
    return 0;
}

BOOL CALLBACK printHeight(HWND control, LPARAM) {
    RECT place{};
    GetWindowRect(control, &place);
    std::printf("%d %ld\n", GetDlgCtrlID(control), place.bottom - place.top);
    return TRUE;
}

int printHeights(const wchar_t* title) {
    HWND window = windowTitled(title, false);
    if (window == nullptr)
        return 3;
    EnumChildWindows(window, printHeight, 0);
    return 0;
}

BOOL CALLBACK takeIfListView(HWND control, LPARAM found) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    if (_wcsicmp(name, WC_LISTVIEWW) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = control;
    return FALSE;
}

struct Tooltips {
    DWORD process;
    int shown = 0;
};

BOOL CALLBACK countIfShownTooltip(HWND window, LPARAM state) {
    auto& tooltips = *reinterpret_cast<Tooltips*>(state);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == tooltips.process && _wcsicmp(name, TOOLTIPS_CLASSW) == 0 &&
        IsWindowVisible(window))
        ++tooltips.shown;
    return TRUE;
}

int printList(const wchar_t* title) {
    HWND window = windowTitled(title, true);
    HWND list = nullptr;
    if (window != nullptr)
        EnumChildWindows(window, takeIfListView, reinterpret_cast<LPARAM>(&list));
    if (list == nullptr)
        return 3;
    Tooltips tooltips{0};
    const DWORD thread = GetWindowThreadProcessId(window, &tooltips.process);
    GUITHREADINFO focus{};
    focus.cbSize = sizeof focus;
    GetGUIThreadInfo(thread, &focus);
    EnumWindows(countIfShownTooltip, reinterpret_cast<LPARAM>(&tooltips));
    const auto cues = SendMessageW(list, WM_QUERYUISTATE, 0, 0);
    std::printf("focused %d\nkeyboard %d\nhidden %d\ntooltips %d\n",
                static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                              MAKELPARAM(LVNI_FOCUSED, 0))),
                focus.hwndFocus == list ? 1 : 0, (cues & UISF_HIDEFOCUS) != 0 ? 1 : 0,
                tooltips.shown);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 4 && std::wcscmp(argv[1], L"drop") == 0)
        return drop(argv[2], std::vector<std::wstring>(argv + 3, argv + argc));
    if (argc == 3 && std::wcscmp(argv[1], L"text") == 0)
        return printBox(argv[2]);
    if (argc == 3 && std::wcscmp(argv[1], L"heights") == 0)
        return printHeights(argv[2]);
    if (argc == 3 && std::wcscmp(argv[1], L"list") == 0)
        return printList(argv[2]);
    return 2;
}
