#include "ui/ProgressModel.h"

namespace ui {

void ProgressModel::change(const std::function<void(ProgressState&, Clock::time_point)>& step) {
    {
        std::lock_guard lock(lock_);
        const Clock::time_point now = Clock::now();
        step(state_, now);
        std::optional<ProgressDisplay> view = state_.take(now);
        if (!view)
            return;
        latest_ = std::move(*view);
    }
    if (drawSoon_)
        drawSoon_();
}

ProgressDisplay ProgressModel::latest() const {
    std::lock_guard lock(lock_);
    return latest_;
}

void ProgressModel::show() {
    change([](ProgressState& state, auto) { state.show(); });
}

void ProgressModel::hide() {
    change([](ProgressState& state, auto) { state.hide(); });
}

void ProgressModel::setRange(int upper) {
    change([upper](ProgressState& state, auto now) { state.setRange(upper, now); });
}

void ProgressModel::setSize(std::uint64_t bytes) {
    change([bytes](ProgressState& state, auto) { state.setSize(bytes); });
}

void ProgressModel::setPosition(int position) {
    change([position](ProgressState& state, auto) { state.setPosition(position); });
}

void ProgressModel::setText(const std::string& text) {
    change([&text](ProgressState& state, auto) { state.setText(text); });
}

void ProgressModel::setButtonCaption(const std::string& caption) {
    change([&caption](ProgressState& state, auto now) { state.setButtonCaption(caption, now); });
}

void ProgressModel::beginJob(const ProgressJob& job) {
    change([&job](ProgressState& state, auto) { state.begin(job); });
}

void ProgressModel::finishJob(const std::string& outcome) {
    change([&outcome](ProgressState& state, auto now) { state.finish(outcome, now); });
}

void ProgressModel::dismiss() {
    change([](ProgressState& state, auto) { state.dismiss(); });
}

}  // namespace ui
