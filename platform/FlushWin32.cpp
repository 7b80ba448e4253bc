#include "platform/FlushSystem.h"
#include "platform/WideWin32.h"

namespace platform {

// Windows writes a renamed file's size and first cluster with its new
// entry (MoveFileExW with MOVEFILE_WRITE_THROUGH returns once the rename
// is on the device), and FlushFileBuffers of a file writes its entry: no
// file-system-wide flush is needed, and a volume's needs an administrator.
bool flush_system::flushDrive(std::intptr_t) {
    return true;
}

bool flush_system::flushHandle(std::intptr_t handle, bool& folder) {
    HANDLE file = win32::toHandle(handle);
    if (!FlushFileBuffers(file))
        return win32::failed();
    FILE_BASIC_INFO info{};
    folder = GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof info) &&
             (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

}  // namespace platform
