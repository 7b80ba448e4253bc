#pragma once
// The thread that owns a window's controls. A worker reaches the window
// through it: a call that needs an answer waits until the window thread has
// run it; any other call is queued and the worker goes on. Each toolkit
// implements `post` with its own event queue.

#include <functional>
#include <future>
#include <type_traits>
#include <utility>

namespace ui {

class WindowThread {
  public:
    virtual ~WindowThread() = default;
    // Whether the caller runs on the window thread.
    virtual bool current() const = 0;
    // Queues `task` behind what the window thread still has to do. Tasks
    // posted from one thread run in their order.
    virtual void post(std::function<void()> task) = 0;
};

// Runs `function` on the window thread: directly when already there.
template <typename Function>
void postToWindow(WindowThread& thread, Function function) {
    if (thread.current())
        function();
    else
        thread.post(std::move(function));
}

// Runs `function` on the window thread and returns its result; directly when
// already there, otherwise waiting until that thread has run it.
template <typename Function>
auto callOnWindow(WindowThread& thread, Function function) -> std::invoke_result_t<Function> {
    using Result = std::invoke_result_t<Function>;
    if (thread.current())
        return function();
    auto done = std::make_shared<std::promise<Result>>();
    std::future<Result> result = done->get_future();
    thread.post([done, function = std::move(function)]() mutable {
        if constexpr (std::is_void_v<Result>) {
            function();
            done->set_value();
        } else {
            done->set_value(function());
        }
    });
    return result.get();
}

}  // namespace ui
