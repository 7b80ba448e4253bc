#include "platform/Flush.h"

#include "platform/FaultPoint.h"
#include "platform/WideWin32.h"

namespace platform {

bool flushToDevice(std::intptr_t handle, const std::string& path, FlushScope scope) {
    if (!fileOpAllowed(FileOp::Flush, path))
        return false;
    // Windows writes a renamed file's size and first cluster with its new
    // entry (MoveFileExW with MOVEFILE_WRITE_THROUGH returns once the rename
    // is on the device), and FlushFileBuffers of a file writes its entry: no
    // file-system-wide flush is needed, and a volume's needs an administrator.
    if (scope == FlushScope::Drive)
        return true;
    HANDLE file = win32::toHandle(handle);
    if (!FlushFileBuffers(file))
        return win32::failed();
    FILE_BASIC_INFO info{};
    const bool folder = GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof info) &&
                        (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    notifyFlushed(path, folder);
    return true;
}

}  // namespace platform
