// Linked into the guest's copies of the tools only. With ZT_STOP_AT=N in its
// environment, a tool stops itself (SIGSTOP) just before its N-th file
// operation and says which one on its error output, so that the guest can
// pull the stick at exactly that moment and then let it go on.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/FaultPoint.h"

namespace {

const char* const kOperations[] = {"open", "write", "flush", "rename", "remove"};

bool stopBefore(long target) {
    platform::setFaultHook([target, count = 0L](platform::FileOp op, const std::string& path,
                                                const std::string& other) mutable {
        if (++count == target) {
            std::fprintf(stderr, "ZT-STOPPED %ld %s %s%s%s\n", count,
                         kOperations[static_cast<int>(op)], path.c_str(), other.empty() ? "" : " ",
                         other.c_str());
            std::fflush(stderr);
            std::raise(SIGSTOP);
        }
        return true;
    });
    return true;
}

const bool installed = [] {
    const char* at = std::getenv("ZT_STOP_AT");
    return at != nullptr && std::atol(at) > 0 && stopBefore(std::atol(at));
}();

}  // namespace
