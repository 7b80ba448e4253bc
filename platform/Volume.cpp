// What is the same on every system; volumeSpace, sameFolder and
// regularFileSize ask the system itself (VolumePosix.cpp, VolumeWin32.cpp).
#include "platform/Volume.h"

#include <filesystem>
#include <system_error>

#include "platform/PathText.h"

namespace platform {

bool pathTaken(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(fsPath(path), error));
}

}  // namespace platform
