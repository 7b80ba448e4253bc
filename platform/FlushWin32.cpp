#include "platform/Flush.h"

#include "platform/FaultPoint.h"
#include "platform/WideWin32.h"

namespace platform {

bool flushToDevice(std::intptr_t handle, const std::string& path) {
    if (!fileOpAllowed(FileOp::Flush, path))
        return false;
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
