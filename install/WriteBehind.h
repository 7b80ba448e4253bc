#pragma once
// When a part file being written hands its bytes to the device: each time
// another window of bytes was written, those bytes are started towards the
// device and the ones started before them are waited for. The copy then
// goes at the device's speed, not at the speed of the system's cache, and
// the progress it shows, with its time left, counts the writing that a
// flush at the end would otherwise do alone after "100%".

#include <cstdint>
#include <optional>

namespace install {

struct WriteBehindStep {
    std::uint64_t startFrom = 0, startLength = 0;  // to start towards the device
    std::uint64_t waitFrom = 0, waitLength = 0;    // to wait for; length 0: nothing
};

class WriteBehind {
  public:
    static constexpr std::uint64_t kWindowBytes = std::uint64_t{8} << 20;

    explicit WriteBehind(std::uint64_t window = kWindowBytes) : window_(window) {}
    // A new file: nothing written yet.
    void reset() { started_ = waited_ = 0; }
    // The file holds `written` bytes now: what to start and to wait for,
    // once a whole window more was written than was started.
    std::optional<WriteBehindStep> advance(std::uint64_t written);

  private:
    std::uint64_t window_;
    std::uint64_t started_ = 0;  // bytes started towards the device
    std::uint64_t waited_ = 0;   // bytes waited for
};

}  // namespace install
