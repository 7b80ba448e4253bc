#include "platform/Console.h"
#include "platform/WideWin32.h"

#include <shellapi.h>  // after windows.h, which it needs

namespace platform {
namespace {

std::atomic<std::atomic<bool>*> interruptFlag{nullptr};

BOOL WINAPI onControl(DWORD event) {
    std::atomic<bool>* flag = interruptFlag.load();
    if (flag == nullptr)
        return FALSE;  // the default: the process ends
    // Ctrl-C, Ctrl-Break, a closed console window, logoff or shutdown.
    flag->store(true);
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

bool isConsole(DWORD which) {
    DWORD mode = 0;
    HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) != 0;
}

// The progress bar moves the cursor with terminal sequences.
void enableTerminalSequences(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (isConsole(which) && GetConsoleMode(handle, &mode))
        SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING | ENABLE_PROCESSED_OUTPUT);
}

}  // namespace

ProgramArguments::ProgramArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int i = 0; i < count; ++i)
            values_.push_back(win32::narrow(wide[i]));
        LocalFree(wide);
    } else {
        values_.assign(argv, argv + argc);
    }
    for (std::string& value : values_)
        pointers_.push_back(value.data());
    pointers_.push_back(nullptr);
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    enableTerminalSequences(STD_OUTPUT_HANDLE);
    enableTerminalSequences(STD_ERROR_HANDLE);
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

void setInterruptFlag(std::atomic<bool>* flag) {
    interruptFlag.store(flag);
    SetConsoleCtrlHandler(onControl, flag != nullptr ? TRUE : FALSE);
}

}  // namespace platform
