#include <filesystem>
#include <system_error>

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

}  // namespace platform
