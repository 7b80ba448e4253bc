#pragma once
// What the Windows console layer does that the tests call directly: the
// control handler, for the events a test cannot send itself (a closed
// console window, logoff, shutdown), and the command line's splitting.
#include <string>
#include <vector>

namespace platform::win32 {

// CTRL_C_EVENT, CTRL_CLOSE_EVENT, ...: what the handler returns to the system
// (nonzero: handled; zero: the default, which ends the process).
int handleConsoleControl(unsigned long event);

// The arguments of a command line, split as CommandLineToArgvW splits them.
// The tools split it themselves: that call's library loads the window
// functions, and a console program that has them loaded is not told of
// logoff and shutdown.
std::vector<std::wstring> splitCommandLine(const wchar_t* line);

}  // namespace platform::win32
