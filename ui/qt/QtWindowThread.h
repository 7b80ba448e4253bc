#pragma once
// The window thread as Qt has it: tasks go through the event queue of a
// window, and are dropped with it when the window goes away first.

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>

#include "ui/WindowThread.h"

namespace ui::qt {

class QtWindowThread : public WindowThread {
  public:
    explicit QtWindowThread(QObject& context) : context_(&context) {}
    bool current() const override { return QThread::currentThread() == context_->thread(); }
    void post(std::function<void()> task) override {
        QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
    }

  private:
    QObject* context_;
};

}  // namespace ui::qt
