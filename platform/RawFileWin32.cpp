#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/DriveLetterWin32.h"
#include "platform/RawFile.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace {

// A device (\\.\D:) is read in whole sectors; 2048 bytes is a disc's sector
// and a multiple of every disk's.
constexpr std::uint64_t kDeviceSector = 2048;

}  // namespace

bool RawFile::open(const std::string& path) {
    close();
    // Sequential scan: the system reads ahead of each request.
    Handle file(CreateFileW(longPath(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid())
        return failed();
    if (!isDevicePath(path) && !isRegularFile(file.get())) {
        errno = EINVAL;  // a folder, pipe or console holds no sectors
        return false;
    }
    handle_.reset(fromHandle(file.release()));
    return true;
}

std::optional<std::uint64_t> RawFile::size() const {
    if (!handle_.valid())
        return std::nullopt;
    LARGE_INTEGER bytes{};
    if (GetFileType(toHandle(handle_.get())) == FILE_TYPE_DISK &&
        isRegularFile(toHandle(handle_.get())) && GetFileSizeEx(toHandle(handle_.get()), &bytes))
        return static_cast<std::uint64_t>(bytes.QuadPart);
    GET_LENGTH_INFORMATION length{};
    DWORD returned = 0;
    if (control(toHandle(handle_.get()), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                sizeof length, &returned))
        return static_cast<std::uint64_t>(length.Length.QuadPart);
    return std::nullopt;
}

std::int64_t RawFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) {
    if (!handle_.valid())
        return -1;
    HANDLE handle = toHandle(handle_.get());
    std::size_t done = 0;
    if (isRegularFile(handle) || (offset % kDeviceSector == 0 && length % kDeviceSector == 0))
        return win32::readAt(handle, offset, buffer, length, done) ? static_cast<std::int64_t>(done)
                                                                   : -1;
    // A device takes whole sectors only: read the sectors around the request.
    const std::uint64_t first = offset / kDeviceSector * kDeviceSector;
    const std::uint64_t end = (offset + length + kDeviceSector - 1) / kDeviceSector * kDeviceSector;
    std::vector<unsigned char> sectors(static_cast<std::size_t>(end - first));
    if (!win32::readAt(handle, first, sectors.data(), sectors.size(), done))
        return -1;
    const std::size_t skip = static_cast<std::size_t>(offset - first);
    if (done <= skip)
        return 0;
    const std::size_t got = std::min(length, done - skip);
    std::copy_n(sectors.data() + skip, got, static_cast<unsigned char*>(buffer));
    return static_cast<std::int64_t>(got);
}

SendResult RawFile::sendTo(std::uint64_t, std::size_t, OutputFile&) {
    // Windows has no copy between two open files inside the kernel; the
    // caller reads and writes instead.
    SendResult result;
    result.failed = true;
    result.unsupported = true;
    return result;
}

}  // namespace platform
