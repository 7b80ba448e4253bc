#pragma once
// Runs one of the command-line tools as a user would, with no terminal and
// no standard input, and collects what it wrote and its exit status.

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "TempDir.h"

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Single quotes for the shell; the texts used in the tests hold no quote.
inline std::string shellQuoted(const std::string& text) {
    return "'" + text + "'";
}

inline bool haveProgram(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs `command` (already quoted) through the shell.
inline ToolRun runShell(const std::string& command) {
    TempDir scratch;
    const std::string out = scratch.file("stdout"), err = scratch.file("stderr");
    int raw = std::system(
        (command + " </dev/null >" + shellQuoted(out) + " 2>" + shellQuoted(err)).c_str());
    ToolRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = slurp(out);
    run.err = slurp(err);
    return run;
}

// Runs the tool `name` from the build folder with `arguments` (already quoted).
inline ToolRun runTool(const std::string& name, const std::string& arguments) {
    return runShell(shellQuoted(std::string(ZT_BIN_DIR) + "/" + name) + " " + arguments);
}
