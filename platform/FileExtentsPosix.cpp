#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/DescriptorPosix.h"
#include "platform/FileExtents.h"

namespace platform {
namespace {

constexpr unsigned kExtentsPerCall = 256;
constexpr long kFuseMagic = 0x65735546;

}  // namespace

std::optional<int> fileFragments(const std::string& path, std::string& error) {
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::uint8_t> buffer(sizeof(fiemap) + kExtentsPerCall * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    int fragments = 0;
    std::uint64_t nextPhysical = UINT64_MAX;  // where the last piece ended on the volume
    std::uint64_t start = 0;
    for (;;) {
        std::memset(buffer.data(), 0, buffer.size());
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_flags = FIEMAP_FLAG_SYNC;
        map->fm_extent_count = kExtentsPerCall;
        if (::ioctl(fd.get(), FS_IOC_FIEMAP, map) != 0) {
            error = errno == ENOTTY || errno == EOPNOTSUPP
                        ? "the file system does not tell where files lie"
                        : std::strerror(errno);
            return std::nullopt;
        }
        if (map->fm_mapped_extents == 0)
            break;
        bool last = false;
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent& extent = map->fm_extents[i];
            if (extent.fe_physical != nextPhysical)
                ++fragments;
            nextPhysical = extent.fe_physical + extent.fe_length;
            start = extent.fe_logical + extent.fe_length;
            last = last || (extent.fe_flags & FIEMAP_EXTENT_LAST) != 0;
        }
        if (last)
            break;
    }
    return fragments;
}

void syncFileSystem(const std::string& path) {
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.valid())
        ::syncfs(fd.get());
}

bool onFuseFileSystem(const std::string& path) {
    struct statfs info {};
    return ::statfs(path.c_str(), &info) == 0 && info.f_type == kFuseMagic;
}

}  // namespace platform
