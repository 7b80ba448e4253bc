#pragma once
// Widgets live on the window thread only. A worker reaches them through
// these: a call that needs an answer waits for the window thread to run it;
// any other call is queued and the worker goes on.

#include <type_traits>
#include <utility>

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace ui::qt {

// Runs `function` on the thread of `context` and returns its result; directly
// when already on that thread, otherwise waiting until that thread has run it.
template <typename Function>
auto callOnGuiThread(QObject* context, Function function) -> std::invoke_result_t<Function> {
    using Result = std::invoke_result_t<Function>;
    if (QThread::currentThread() == context->thread())
        return function();
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(context, std::move(function), Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(context, std::move(function), Qt::BlockingQueuedConnection,
                                  &result);
        return result;
    }
}

// Runs `function` on the thread of `context`: directly when already there,
// otherwise queued behind what that thread has still to do. Calls from one
// thread keep their order.
template <typename Function>
void postToGuiThread(QObject* context, Function function) {
    if (QThread::currentThread() == context->thread())
        function();
    else
        QMetaObject::invokeMethod(context, std::move(function), Qt::QueuedConnection);
}

}  // namespace ui::qt
