// What is the same on every system; volumeSpace and sameFolder ask the
// system itself (VolumePosix.cpp, VolumeWin32.cpp).
#include "platform/Volume.h"

#include <filesystem>
#include <system_error>

#include "platform/PathText.h"

namespace platform {

std::optional<std::uint64_t> regularFileSize(const std::string& path) {
    std::error_code error;
    // A link is not a file of the drive, whatever it points to.
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(fsPath(path), error)) || error)
        return std::nullopt;
    std::uintmax_t size = std::filesystem::file_size(fsPath(path), error);
    if (error)
        return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

bool pathTaken(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(fsPath(path), error));
}

}  // namespace platform
