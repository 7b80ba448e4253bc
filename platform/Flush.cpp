#include <mutex>

#include "platform/Flush.h"

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
