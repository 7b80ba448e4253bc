#include "ui/Job.h"

#include <utility>

namespace ui {

Job::~Job() {
    // The window is going away: the worker must not outlive what it uses.
    wait();
}

void Job::wait() {
    if (thread_.joinable())
        thread_.join();
}

bool Job::start(std::function<void()> work, std::function<void()> finished) {
    if (running_)
        return false;
    if (thread_.joinable())
        thread_.join();
    running_ = true;
    thread_ = std::thread([this, work = std::move(work), finished = std::move(finished)] {
        work();
        window_.post([this, finished] {
            thread_.join();
            running_ = false;
            if (finished)
                finished();
        });
    });
    return true;
}

}  // namespace ui
