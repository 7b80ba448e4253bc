#include "ui/win32/NativeJob.h"

#include <utility>

NativeJob::~NativeJob() {
    // The window is going away: the worker must not outlive what it uses.
    if (thread_.joinable())
        thread_.join();
}

bool NativeJob::start(HWND window, std::function<void()> work, std::function<void()> finished) {
    if (running_)
        return false;
    if (thread_.joinable())
        thread_.join();
    running_ = true;
    finished_ = std::move(finished);
    thread_ = std::thread([this, window, work = std::move(work)] {
        work();
        PostMessageW(window, kJobDone, 0, reinterpret_cast<LPARAM>(this));
    });
    return true;
}

void NativeJob::done(LPARAM job) {
    auto* self = reinterpret_cast<NativeJob*>(job);
    self->thread_.join();
    self->running_ = false;
    if (self->finished_)
        self->finished_();
}
