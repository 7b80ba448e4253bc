#pragma once
// How a routine says that it failed: at which of its steps, on which object,
// and why, in the words a person reads. A result without a failure is a
// success. Each routine names its steps with its own enum.

#include <optional>
#include <string>
#include <utility>

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

  private:
    std::optional<Failure<Step>> failure_;
};

}  // namespace store
