#pragma once
// A short text kept per thread, with no destructor: mingw's emulated
// thread-local storage may free an object's storage before the object's
// destructor runs as the thread ends, so no thread-local object of the
// program has one.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <type_traits>

namespace platform {

class ThreadText {
  public:
    // Longer texts are kept cut, ending in "...": they are names in messages.
    static constexpr std::size_t kCapacity = 1024;

    void set(const std::string& text) {
        size_ = std::min(text.size(), kCapacity);
        std::copy_n(text.begin(), size_, data_.begin());
        if (text.size() > kCapacity)
            std::fill_n(data_.end() - 3, 3, '.');
    }
    std::string text() const { return std::string(data_.data(), size_); }
    bool empty() const { return size_ == 0; }

  private:
    std::array<char, kCapacity> data_{};
    std::size_t size_ = 0;
};

static_assert(std::is_trivially_destructible_v<ThreadText>);

}  // namespace platform
