#include <fcntl.h>

#include "platform/WriteBehind.h"

namespace platform {

void startWriteBack(std::intptr_t handle, std::uint64_t offset, std::uint64_t length) {
    if (handle >= 0 && length > 0)
        ::sync_file_range(static_cast<int>(handle), static_cast<off_t>(offset),
                          static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
}

void awaitWriteBack(std::intptr_t handle, std::uint64_t offset, std::uint64_t length) {
    if (handle >= 0 && length > 0)
        ::sync_file_range(
            static_cast<int>(handle), static_cast<off_t>(offset), static_cast<off_t>(length),
            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
}

}  // namespace platform
