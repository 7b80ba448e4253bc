#pragma once
// The terminal a command-line tool runs in.

#include <atomic>
#include <string>
#include <vector>

namespace platform {

// The program's arguments in UTF-8, as main() hands them on. On Windows they
// are taken again from the system's UTF-16 command line (argv holds them in
// the local code page), and the console is set to UTF-8 text; it gets its
// code pages back when the program ends, by Ctrl-C too.
class ProgramArguments {
  public:
    ProgramArguments(int argc, char** argv);
    ~ProgramArguments();
    ProgramArguments(const ProgramArguments&) = delete;
    ProgramArguments& operator=(const ProgramArguments&) = delete;
    int count() const { return static_cast<int>(pointers_.size()) - 1; }
    char** values() { return pointers_.data(); }

  private:
    std::vector<std::string> values_;
    std::vector<char*> pointers_;  // into values_, ending with a null as argv does
};

bool stdinIsTerminal();
bool stdoutIsTerminal();
bool stderrIsTerminal();

// How a progress bar can be drawn on standard error: not at all (no
// terminal), with terminal sequences, or through the console's buffer (a
// Windows console that takes no terminal sequences).
enum class BarDrawing { None, TerminalSequences, ConsoleBuffer };
BarDrawing stderrBarDrawing();

// Writes `text` on standard error's console, on the cursor's line (`below` 0)
// or the one below it (1), blanking the rest of that line, without moving the
// cursor. False where standard error is no console buffer.
bool drawConsoleLine(int below, const std::string& text);

// Makes Ctrl-C (and a termination request or a closed terminal) set `flag` instead of ending the
// process, so that a running job can stop cleanly. Null restores the default. On
// POSIX a closed pipe no longer ends the process either: the write fails.
// On Windows, closing the console window, logging off or shutting down raise
// the flag too, and the process is held until the flag is taken back (null),
// so that the cancelled job removes what it wrote before the system ends it.
void setInterruptFlag(std::atomic<bool>* flag);

}  // namespace platform
