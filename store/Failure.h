#pragma once
// How a routine says that it failed: at which of its steps, on which object,
// and why, in the words a person reads. A result without a failure is a
// success. Each routine names its steps with its own enum. A routine that
// only acts returns an Outcome; one that makes something returns a Result,
// which holds either what it made or its Failure.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace store {

template <typename Step>
struct Failure {
    Step step{};
    std::string object;  // what the step was done to: a path, a device, a game
    std::string reason;  // the text the person is shown
};

template <typename Step>
class Outcome {
  public:
    // A success.
    Outcome() = default;
    // A failure; implicit, so that a routine returns its Failure as it is.
    Outcome(Failure<Step> failure) : failure_(std::move(failure)) {}  // NOLINT

    bool succeeded() const { return !failure_; }
    explicit operator bool() const { return succeeded(); }
    // Only for an outcome that did not succeed.
    const Failure<Step>& failure() const { return *failure_; }
    // Whether it failed at `step`.
    bool failedAt(Step step) const { return failure_ && failure_->step == step; }

  private:
    std::optional<Failure<Step>> failure_;
};

template <typename T, typename Step>
class Result {
  public:
    // A success with what the routine made; implicit, as is the failure's.
    Result(T value) : held_(std::in_place_index<0>, std::move(value)) {}                  // NOLINT
    Result(Failure<Step> failure) : held_(std::in_place_index<1>, std::move(failure)) {}  // NOLINT

    bool succeeded() const { return held_.index() == 0; }
    explicit operator bool() const { return succeeded(); }
    // Only for a result that succeeded.
    const T& value() const& { return std::get<0>(held_); }
    T&& value() && { return std::get<0>(std::move(held_)); }
    // Only for a result that did not succeed.
    const Failure<Step>& failure() const { return std::get<1>(held_); }
    // Whether it failed at `step`.
    bool failedAt(Step step) const { return !succeeded() && failure().step == step; }

  private:
    std::variant<T, Failure<Step>> held_;
};

}  // namespace store
