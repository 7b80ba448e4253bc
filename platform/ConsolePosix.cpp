#include "platform/Console.h"

#include <unistd.h>
#include <csignal>

namespace platform {
namespace {

std::atomic<std::atomic<bool>*> interruptFlag{nullptr};

extern "C" void onInterrupt(int) {
    if (std::atomic<bool>* flag = interruptFlag.load())
        flag->store(true);
}

}  // namespace

ProgramArguments::ProgramArguments(int argc, char** argv) : values_(argv, argv + argc) {
    for (std::string& value : values_)
        pointers_.push_back(value.data());
    pointers_.push_back(nullptr);
}

bool stdinIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

bool stdoutIsTerminal() {
    return ::isatty(STDOUT_FILENO) == 1;
}

bool stderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void setInterruptFlag(std::atomic<bool>* flag) {
    interruptFlag.store(flag);
    struct sigaction action {};
    action.sa_handler = flag != nullptr ? onInterrupt : SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);  // the terminal went away
    // A closed pipe on standard output must not kill the tool in the middle of
    // a copy: the write fails instead, and the tool says so once it has finished.
    ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace platform
