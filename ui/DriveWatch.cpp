#include "ui/DriveWatch.h"

namespace ui {

using namespace report;

bool DriveWatch::cancelRequested() const {
    if (window_.cancelRequested() || lost_.load())
        return true;
    const std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (lastLook_ != std::chrono::steady_clock::time_point{} && now - lastLook_ < interval_)
        return false;
    lastLook_ = now;
    if (!stillMounted_())
        lost_.store(true);
    return lost_.load();
}

}  // namespace ui
