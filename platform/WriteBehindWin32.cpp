#include "platform/WriteBehind.h"

namespace platform {

// Windows has no flush of a part of a file; its cache manager writes behind
// on its own, and the flush at the end does the rest.
void startWriteBack(std::intptr_t, std::uint64_t, std::uint64_t) {}

void awaitWriteBack(std::intptr_t, std::uint64_t, std::uint64_t) {}

}  // namespace platform
