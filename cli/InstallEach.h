#pragma once
// zt_install --each TARGET IMAGE...: several disc images installed onto one
// drive, one after another; one outcome line (or JSON line) per image.

#include "cli/CommandLine.h"
#include "cli/ConsoleFrontEnd.h"

namespace cli {

// The usage line of the form, added to the help's.
inline constexpr const char* kEachUsage = "zt_install [OPTION]... --each TARGET IMAGE...\n";

// Runs the queue the command line names; the exit status: 0 when every image
// was installed, 1 when one was not, 2 on wrong usage.
int installEach(const CommandLine& line, ConsoleFrontEnd& console);

}  // namespace cli
