#pragma once
// The terminal a command-line tool runs in.

#include <atomic>
#include <string>
#include <vector>

namespace platform {

// The program's arguments in UTF-8, as main() hands them on. On Windows they
// are taken again from the system's UTF-16 command line (argv holds them in
// the local code page), and the console is set to UTF-8 text and to the
// terminal sequences the progress bar draws with.
class ProgramArguments {
  public:
    ProgramArguments(int argc, char** argv);
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

// Makes Ctrl-C (and a termination request or a closed terminal) set `flag` instead of ending the
// process, so that a running job can stop cleanly. Null restores the default. On
// POSIX a closed pipe no longer ends the process either: the write fails.
void setInterruptFlag(std::atomic<bool>* flag);

}  // namespace platform
