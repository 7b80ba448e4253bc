#pragma once
// The one owner of a system handle (a descriptor on Linux, a HANDLE on
// Windows): it closes the handle when it goes, on every way out of a
// function, so that no exit needs a close of its own. `Traits` names the
// handle's type, its invalid value and how it is closed.
#include <cerrno>
#include <utility>

namespace platform {

template <typename Traits>
class Owned {
  public:
    using Value = typename Traits::Value;

    Owned() = default;
    explicit Owned(Value value) : value_(value) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : value_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Value get() const { return value_; }
    bool valid() const { return value_ != Traits::invalid(); }
    // Gives the handle up without closing it.
    Value release() { return std::exchange(value_, Traits::invalid()); }
    // Closes the handle held (if any) and holds `value`. errno stays as it
    // was, so that a function that fails tells the failure, not the close.
    void reset(Value value = Traits::invalid()) {
        if (valid()) {
            const int error = errno;
            Traits::close(value_);
            errno = error;
        }
        value_ = value;
    }
    // Closes the handle now, for a caller that must know whether closing
    // succeeded (a written file's last error shows there).
    bool close() { return !valid() || Traits::close(release()); }

  private:
    Value value_ = Traits::invalid();
};

}  // namespace platform
