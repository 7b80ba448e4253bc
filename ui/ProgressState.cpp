#include "ui/ProgressState.h"

#include <algorithm>

#include "report/ShownText.h"

namespace ui {

using namespace report;

namespace {

constexpr std::uint64_t kMegabyte = std::uint64_t{1} << 20;

// Megabytes with one decimal below 100 MB, whole above; by integer
// arithmetic, so that no locale puts a comma in an English text.
std::string megabytes(std::uint64_t bytes, bool decimals) {
    if (!decimals)
        return std::to_string((bytes + kMegabyte / 2) / kMegabyte);
    const std::uint64_t tenths = (bytes * 10 + kMegabyte / 2) / kMegabyte;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string rateText(std::uint64_t bytes, std::chrono::milliseconds elapsed) {
    const auto ms = static_cast<std::uint64_t>(elapsed.count());
    return megabytes(ms == 0 ? 0 : bytes * 1000 / ms, true) + " MB/s";
}

// "45 s", "3 min 10 s", "1 h 5 min".
std::string durationText(std::uint64_t seconds) {
    if (seconds < 60)
        return std::to_string(seconds) + " s";
    if (seconds < 3600)
        return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

std::chrono::milliseconds sinceThen(ProgressState::Clock::time_point then,
                                    ProgressState::Clock::time_point now) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - then);
}

}  // namespace

void ProgressState::begin(const ProgressJob& job) {
    job_ = job;
    upper_ = position_ = 0;
    size_ = 0;
    finished_ = false;
    routineText_.clear();
    outcome_.clear();
    changed_ = true;
}

void ProgressState::show() {
    visible_ = true;
    changed_ = true;
}

void ProgressState::hide() {
    visible_ = false;
    changed_ = true;
}

void ProgressState::setRange(int upper, Clock::time_point now) {
    upper_ = std::max(upper, 0);
    position_ = 0;
    started_ = now;
    changed_ = true;
}

void ProgressState::setSize(std::uint64_t bytes) {
    size_ = bytes;
    changed_ = true;
}

std::uint64_t ProgressState::totalBytes() const {
    return size_ != 0 ? size_ : std::uint64_t(upper_) * job_.unitBytes;
}

void ProgressState::setPosition(int position) {
    moved_ = moved_ || position != position_;
    position_ = position;
}

void ProgressState::setText(const std::string& text) {
    routineText_ = text;
    changed_ = true;
}

void ProgressState::setButtonCaption(const std::string& caption, Clock::time_point now) {
    const bool ok = caption == "OK";
    if (ok && !finished_)
        finishedAt_ = now;
    finished_ = ok;
    changed_ = true;
}

void ProgressState::finish(const std::string& outcome, Clock::time_point now) {
    outcome_ = outcome;
    finished_ = true;
    finishedAt_ = now;
    visible_ = true;
    changed_ = true;
}

void ProgressState::dismiss() {
    visible_ = false;
    finished_ = false;
    position_ = 0;
    changed_ = true;
}

std::optional<ProgressDisplay> ProgressState::take(Clock::time_point now) {
    if (!changed_ && !moved_)
        return std::nullopt;
    if (!changed_ && lastTaken_ && now - *lastTaken_ < kRedrawInterval)
        return std::nullopt;
    changed_ = moved_ = false;
    lastTaken_ = now;
    return current(now);
}

ProgressDisplay ProgressState::current(Clock::time_point now) const {
    ProgressDisplay view;
    view.visible = visible_;
    view.caption = finished_ ? "OK" : "Cancel";
    if (finished_) {
        view.bar = kBarMax;
    } else if (upper_ > 0) {
        view.bar = static_cast<int>(
            std::clamp<std::int64_t>(std::int64_t{position_} * kBarMax / upper_, 0, kBarMax));
    }
    view.line = finished_ ? finishedLine() : runningLine(now);
    return view;
}

std::string ProgressState::runningLine(Clock::time_point now) const {
    // Before the work counts (a wait for a busy drive), the routine says what goes on.
    if ((job_.routineTexts || upper_ <= 0) && !routineText_.empty())
        return routineText_;
    std::string line = job_.doing;
    if (!job_.name.empty())
        line += (line.empty() ? "" : " ") + escapeControls(job_.name);
    line = job_.prefix + line;
    if (upper_ <= 0)
        return line;
    const auto position = static_cast<std::uint64_t>(std::clamp(position_, 0, upper_));
    const std::string percent = std::to_string(position * 100 / std::uint64_t(upper_)) + "%";
    if (job_.unitBytes == 0)
        return position == 0 ? line : line + ": " + percent;
    const std::uint64_t total = totalBytes();
    const std::uint64_t done =
        position == std::uint64_t(upper_) ? total : std::min(position * job_.unitBytes, total);
    const bool small = total < 100 * kMegabyte;
    line +=
        ": " + megabytes(done, small) + " of " + megabytes(total, small) + " MB (" + percent + ")";
    const std::chrono::milliseconds elapsed = sinceThen(started_, now);
    if (elapsed < std::chrono::seconds(1) || done == 0)
        return line;
    const auto ms = static_cast<std::uint64_t>(elapsed.count());
    const std::uint64_t secondsLeft = (total - done) * ms / done / 1000;
    line += ", " + rateText(done, elapsed) + ", " + durationText(secondsLeft) + " left";
    if (job_.bytesAfter == 0)
        return line;
    const std::uint64_t queueLeft = (total - done + job_.bytesAfter) * ms / done / 1000;
    return line + " (" + durationText(queueLeft) + " for the queue)";
}

std::string ProgressState::finishedLine() const {
    if (!outcome_.empty())
        return outcome_;
    if (job_.routineTexts && !routineText_.empty())
        return routineText_;
    std::string line = job_.done + " " + escapeControls(job_.name);
    if (job_.unitBytes == 0 || upper_ <= 0)
        return line + ".";
    const std::uint64_t total = totalBytes();
    const std::chrono::milliseconds elapsed = sinceThen(started_, finishedAt_);
    line += ": " + megabytes(total, total < 100 * kMegabyte) + " MB in " +
            durationText(static_cast<std::uint64_t>(elapsed.count() + 500) / 1000);
    if (elapsed >= std::chrono::seconds(1))
        line += " (" + rateText(total, elapsed) + ")";
    return line + ".";
}

}  // namespace ui
