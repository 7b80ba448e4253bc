#include <mutex>

#include "platform/Flush.h"

#include "platform/FaultPoint.h"
#include "platform/FlushSystem.h"

namespace platform {
namespace {

struct Observer {
    std::mutex mutex;  // flushes come from worker threads too
    FlushObserver observer;
};

Observer& observer() {
    static Observer instance;
    return instance;
}

}  // namespace

bool flushToDevice(std::intptr_t handle, const std::string& path, FlushScope scope) {
    if (!fileOpAllowed(FileOp::Flush, path))
        return false;
    if (scope == FlushScope::Drive)
        return flush_system::flushDrive(handle);
    bool folder = false;
    if (!flush_system::flushHandle(handle, folder))
        return false;
    notifyFlushed(path, folder);
    return true;
}

void setFlushObserver(FlushObserver newObserver) {
    std::lock_guard<std::mutex> lock(observer().mutex);
    observer().observer = std::move(newObserver);
}

void notifyFlushed(const std::string& path, bool folder) {
    std::lock_guard<std::mutex> lock(observer().mutex);
    if (observer().observer)
        observer().observer(path, folder);
}

}  // namespace platform
