#include <filesystem>
#include <system_error>

#include "platform/PathText.h"
#include "platform/Volume.h"

namespace platform {

std::optional<VolumeSpace> volumeSpace(const std::string& path) {
    std::error_code error;
    std::filesystem::space_info info = std::filesystem::space(path, error);
    if (error)
        return std::nullopt;
    return VolumeSpace{info.capacity, info.free, info.available};
}

bool sameFolder(const std::string& a, const std::string& b) {
    std::error_code error;
    bool same = std::filesystem::equivalent(a, b, error);
    return !error && same;
}

std::optional<std::uint64_t> regularFileSize(const std::string& path) {
    std::error_code error;
    // A link is not a file of the drive, whatever it points to.
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(fsPath(path), error)) ||
        error)
        return std::nullopt;
    std::uintmax_t size = std::filesystem::file_size(fsPath(path), error);
    if (error)
        return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

}  // namespace platform
