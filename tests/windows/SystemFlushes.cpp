// KernelFlushes on Windows: the test program cannot stand in front of
// FlushFileBuffers as it does in front of fsync on Linux, so it notes what
// the platform layer reports once the system accepted a flush.
#include <mutex>
#include <utility>

#include "KernelFlushes.h"
#include "platform/Flush.h"

using namespace platform;

namespace {

struct Log {
    std::mutex mutex;
    std::vector<std::string> paths;
};

Log& log() {
    static Log instance;
    return instance;
}

}  // namespace

KernelFlushes::KernelFlushes() {
    log().paths.clear();
    platform::setFlushObserver([](const std::string& path, bool folder) {
        std::lock_guard<std::mutex> lock(log().mutex);
        log().paths.push_back(folder && !path.ends_with('/') ? path + '/' : path);
    });
}

KernelFlushes::~KernelFlushes() {
    platform::setFlushObserver({});
    std::lock_guard<std::mutex> lock(log().mutex);
    log().paths.clear();
}

std::vector<std::string> KernelFlushes::take() {
    std::lock_guard<std::mutex> lock(log().mutex);
    return std::exchange(log().paths, {});
}
