#pragma once
// The terminal a command-line tool runs in.

#include <atomic>

namespace platform {

bool stdinIsTerminal();
bool stdoutIsTerminal();
bool stderrIsTerminal();

// Makes Ctrl-C (and a termination request or a closed terminal) set `flag` instead of ending the
// process, so that a running job can stop cleanly. Null restores the default.
void setInterruptFlag(std::atomic<bool>* flag);

}  // namespace platform
