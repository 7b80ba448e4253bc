#include "platform/ConsoleWin32.h"
#include "platform/Console.h"
#include "platform/WideWin32.h"

namespace platform {
namespace {

std::atomic<std::atomic<bool>*> interruptFlag{nullptr};
// Set while no job holds the flag: what a close event waits for.
HANDLE flagReleased = CreateEventW(nullptr, TRUE, TRUE, nullptr);

// The console as the program found it, given back when it ends.
struct SavedConsole {
    UINT inputCodePage = 0;
    UINT outputCodePage = 0;
    std::atomic<bool> saved{false};
};
SavedConsole savedConsole;

bool isConsole(DWORD which) {
    DWORD mode = 0;
    HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) != 0;
}

void restoreConsole() {
    if (!savedConsole.saved.exchange(false))
        return;
    if (savedConsole.inputCodePage != 0)
        SetConsoleCP(savedConsole.inputCodePage);
    if (savedConsole.outputCodePage != 0)
        SetConsoleOutputCP(savedConsole.outputCodePage);
}

BOOL WINAPI onControl(DWORD event) {
    return win32::handleConsoleControl(event);
}

// Once for the process: the handler stays, and does the default when no job runs.
void installHandler() {
    static const bool installed = SetConsoleCtrlHandler(onControl, TRUE) != 0;
    (void)installed;
}

}  // namespace

int win32::handleConsoleControl(unsigned long event) {
    std::atomic<bool>* flag = interruptFlag.load();
    if (flag == nullptr) {
        restoreConsole();
        return FALSE;  // the default: the process ends
    }
    flag->store(true);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    // A closed console window, logoff or shutdown: the system ends the process
    // as soon as this returns, so it returns once the job has stopped and
    // removed what it wrote (the system gives it a few seconds).
    WaitForSingleObject(flagReleased, INFINITE);
    restoreConsole();
    return TRUE;
}

std::vector<std::wstring> win32::splitCommandLine(const wchar_t* line) {
    std::vector<std::wstring> arguments;
    const wchar_t* s = line;
    // The program's name: up to the closing quote mark, or to a blank.
    std::wstring program;
    if (*s == L'"') {
        for (++s; *s != 0 && *s != L'"'; ++s)
            program += *s;
        if (*s == L'"')
            ++s;
    } else {
        for (; *s != 0 && *s != L' ' && *s != L'\t'; ++s)
            program += *s;
    }
    arguments.push_back(program);
    // The others: 2n backslashes and a quote mark are n backslashes and a
    // quote that opens or closes; 2n+1 are n and a quote mark of the text.
    // Of quote marks in a row, every third is one of the text.
    while (*s != 0) {
        while (*s == L' ' || *s == L'\t')
            ++s;
        if (*s == 0)
            break;
        std::wstring argument;
        int quotes = 0;  // 1 within quotes
        std::size_t backslashes = 0;
        while (*s != 0 && (quotes != 0 || (*s != L' ' && *s != L'\t'))) {
            if (*s != L'"') {
                backslashes = *s == L'\\' ? backslashes + 1 : 0;
                argument += *s++;
                continue;
            }
            argument.resize(argument.size() - backslashes / 2);
            if (backslashes % 2 == 1)
                argument.back() = L'"';
            else
                ++quotes;
            backslashes = 0;
            for (++s; *s == L'"'; ++s) {
                if (++quotes == 3) {
                    argument += L'"';
                    quotes = 0;
                }
            }
            if (quotes == 2)
                quotes = 0;
        }
        arguments.push_back(argument);
    }
    return arguments;
}

ProgramArguments::ProgramArguments(int, char**) {
    for (const std::wstring& argument : win32::splitCommandLine(GetCommandLineW()))
        values_.push_back(win32::narrow(argument));
    for (std::string& value : values_)
        pointers_.push_back(value.data());
    pointers_.push_back(nullptr);
    savedConsole.inputCodePage = GetConsoleCP();
    savedConsole.outputCodePage = GetConsoleOutputCP();
    savedConsole.saved.store(true);
    // From here on, Ctrl-C gives the console back as it was before the process ends.
    installHandler();
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
}

ProgramArguments::~ProgramArguments() {
    restoreConsole();
}

bool stdinIsTerminal() {
    return isConsole(STD_INPUT_HANDLE);
}

bool stdoutIsTerminal() {
    return isConsole(STD_OUTPUT_HANDLE);
}

bool stderrIsTerminal() {
    return isConsole(STD_ERROR_HANDLE);
}

BarDrawing stderrBarDrawing() {
    if (!isConsole(STD_ERROR_HANDLE))
        return BarDrawing::None;
    // Terminal sequences cannot be relied on: older consoles refuse them, and
    // Wine's console reads the mode back as set and still prints them as
    // text. The buffer calls work on every Windows console.
    return BarDrawing::ConsoleBuffer;
}

bool drawConsoleLine(int below, const std::string& text) {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(handle, &info) || info.dwSize.X <= 0)
        return false;
    COORD cursor = info.dwCursorPosition;
    if (cursor.Y + below >= info.dwSize.Y) {
        // The cursor is on the buffer's last line: a line break scrolls the
        // buffer up by one, and the cursor goes back to its text.
        DWORD written = 0;
        WriteConsoleW(handle, L"\n", 1, &written, nullptr);
        cursor.Y = static_cast<SHORT>(info.dwSize.Y - 1 - below);
        SetConsoleCursorPosition(handle, cursor);
    }
    std::wstring line = win32::widen(text);
    line.resize(static_cast<std::size_t>(info.dwSize.X), L' ');
    COORD start{0, static_cast<SHORT>(cursor.Y + below)};
    DWORD written = 0;
    return WriteConsoleOutputCharacterW(handle, line.data(), static_cast<DWORD>(line.size()), start,
                                        &written) != 0;
}

void setInterruptFlag(std::atomic<bool>* flag) {
    if (flag != nullptr)
        ResetEvent(flagReleased);
    interruptFlag.store(flag);
    if (flag == nullptr)
        SetEvent(flagReleased);
    installHandler();
}

}  // namespace platform
