#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/DriveLetterWin32.h"
#include "platform/FileExtents.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace {

constexpr std::size_t kExtentsPerCall = 256;

}  // namespace

std::optional<int> fileFragments(const std::string& path, std::string& error) {
    const Handle file(openNoFollow(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING));
    if (!file.valid()) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    const std::size_t bufferSize =
        sizeof(RETRIEVAL_POINTERS_BUFFER) + kExtentsPerCall * sizeof(LARGE_INTEGER) * 2;
    std::vector<std::uint8_t> buffer(bufferSize);
    auto* map = reinterpret_cast<RETRIEVAL_POINTERS_BUFFER*>(buffer.data());
    STARTING_VCN_INPUT_BUFFER start{};
    int fragments = 0;
    LONGLONG nextCluster = -2;  // where the last run ended on the volume
    for (;;) {
        DWORD returned = 0;
        const bool whole = control(file.get(), FSCTL_GET_RETRIEVAL_POINTERS, &start, sizeof start,
                                   map, static_cast<DWORD>(bufferSize), &returned);
        const DWORD failure = whole ? ERROR_SUCCESS : GetLastError();
        if (failure == ERROR_HANDLE_EOF)
            break;  // an empty file, or one kept inside the file table
        if (failure != ERROR_SUCCESS && failure != ERROR_MORE_DATA) {
            error = failure == ERROR_INVALID_FUNCTION || failure == ERROR_NOT_SUPPORTED
                        ? "the file system does not tell where files lie"
                        : systemMessage(failure);
            return std::nullopt;
        }
        LONGLONG vcn = map->StartingVcn.QuadPart;
        for (DWORD i = 0; i < map->ExtentCount; ++i) {
            const LONGLONG lcn = map->Extents[i].Lcn.QuadPart;
            const LONGLONG clusters = map->Extents[i].NextVcn.QuadPart - vcn;
            if (lcn >= 0) {  // -1: a sparse or compressed run holds no clusters
                if (lcn != nextCluster)
                    ++fragments;
                nextCluster = lcn + clusters;
            }
            vcn = map->Extents[i].NextVcn.QuadPart;
        }
        if (whole || map->ExtentCount == 0)
            break;
        start.StartingVcn.QuadPart = vcn;
    }
    return fragments;
}

void syncFileSystem(const std::string& path) {
    // Flushing a whole volume needs an administrator; without one, the files
    // were each flushed already.
    const std::wstring device = widen(volumeDeviceHolding(path));
    if (device.empty())
        return;
    const Handle volume(CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    if (volume.valid())
        FlushFileBuffers(volume.get());
}

bool onFuseFileSystem(const std::string&) {
    return false;  // Windows' file systems all replace a file in one step
}

}  // namespace platform
