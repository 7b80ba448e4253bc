#include <algorithm>

#include "platform/Drives.h"

namespace platform {

std::vector<MountedVolume> fixedAmong(std::vector<MountedVolume> volumes) {
    std::erase_if(volumes, [](const MountedVolume& v) { return v.removable || v.readOnly; });
    return volumes;
}

std::vector<MountedVolume> fixedVolumes() {
    return fixedAmong(mountedVolumes());
}

}  // namespace platform
