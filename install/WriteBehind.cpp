#include "install/WriteBehind.h"

namespace install {

std::optional<WriteBehindStep> WriteBehind::advance(std::uint64_t written) {
    if (written < started_ || written - started_ < window_)
        return std::nullopt;
    WriteBehindStep step{started_, written - started_, waited_, started_ - waited_};
    waited_ = started_;
    started_ = written;
    return step;
}

}  // namespace install
