#pragma once

namespace cli {
// Exit status of the command-line tools.

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,     // includes a refused request and a question answered No
    kExitUsage = 2,       // wrong operand count or unknown option
    kExitCannotTell = 3,  // frag: where the parts lie could not be read
};

}  // namespace cli
