#include "platform/DriveFileWin32.h"
#include "platform/Volume.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace {

// A file or folder by identity: its volume's serial number and its index there.
bool identityOf(const std::string& path, std::uint64_t& volume, std::uint64_t& index) {
    // Links followed, as a user's spelling of a folder means where it leads.
    const Handle handle(CreateFileW(longPath(path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid())
        return failed();
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle.get(), &info) != 0 || failed();
    volume = info.dwVolumeSerialNumber;
    index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return known;
}

}  // namespace

std::optional<VolumeSpace> volumeSpace(const std::string& path) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExW(longPath(path).c_str(), &available, &total, &free))
        return std::nullopt;
    return VolumeSpace{total.QuadPart, free.QuadPart, available.QuadPart};
}

bool sameFolder(const std::string& a, const std::string& b) {
    std::uint64_t volumeA = 0, indexA = 0, volumeB = 0, indexB = 0;
    return identityOf(a, volumeA, indexA) && identityOf(b, volumeB, indexB) && volumeA == volumeB &&
           indexA == indexB;
}

std::optional<std::uint64_t> regularFileSize(const std::string& path) {
    // A link is not a file of the drive, whatever it points to.
    const Handle file = openOnDrive(path, 0, OPEN_EXISTING);
    LARGE_INTEGER size{};
    if (!file.valid() || !isRegularFile(file.get()) || !GetFileSizeEx(file.get(), &size))
        return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

}  // namespace platform
