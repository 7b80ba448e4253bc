// The window's jobs as one: what runs, the window's input, and the close
// sequence.

#include "ui/JobRunner.h"

namespace ui {

void JobRunner::waitForJobs() {
    gameWorker_.wait();
    copyWorker_.wait();
    formatWorker_.wait();
    installWorker_.wait();
}

bool JobRunner::jobRunning() const {
    return installWorker_.running() || formatWorker_.running() || copyWorker_.running() ||
           gameWorker_.running();
}

JobState JobRunner::jobs() const {
    return JobState{installWorker_.running(), formatWorker_.running(), copyWorker_.running(),
                    busy_.load()};
}

void JobRunner::setInput(bool enable) {
    inputEnabled_ = enable;
    view_.enableInput(enable);
}

void JobRunner::giveWindowBack() {
    setInput(true);
    view_.bringToFront();
}

void JobRunner::onStatusLineClicked() {
    if (busy_.load())
        view_.jobProgress().restore();
}

void JobRunner::OnClose() {
    switch (answerClose(jobs(), closing_, boxes_, view_.statusLine())) {
        case CloseAnswer::CloseNow:
            view_.closeWindow();
            return;
        case CloseAnswer::KeepOpen:
            return;
        case CloseAnswer::CloseWhenJobsEnd:
            break;
    }
    // The install and the copy stop at their next step and remove what they
    // wrote; a format cannot stop half-way and is waited for. A job that
    // ended while the question was open stays as it ended: a finished game
    // is whole and recorded, and nothing of it is removed.
    closing_ = true;
    view_.jobProgress().stopForClose();
    view_.copyProgress().stopForClose();
    closeWhenIdle();
}

void JobRunner::closeWhenIdle() {
    if (!closing_ || jobRunning())
        return;
    view_.jobProgress().hideWindow();
    view_.copyProgress().hideWindow();
    view_.closeWindow();
}

}  // namespace ui
