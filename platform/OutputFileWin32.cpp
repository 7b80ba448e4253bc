#include <cerrno>

#include "platform/DriveFileWin32.h"
#include "platform/OutputFile.h"
#include "platform/OutputFileSystem.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

SystemHandle output_file::createNew(const std::string& path) {
    // CREATE_NEW: exclusive, and never through a reparse point of that name.
    Handle file = openOnDrive(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_SHARE_READ);
    return file.valid() ? SystemHandle(fromHandle(file.release())) : SystemHandle();
}

bool OutputFile::reserve(std::uint64_t bytes) {
    if (!handle_.valid() || bytes == 0)
        return false;
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(bytes);
    return SetFileInformationByHandle(toHandle(handle_.get()), FileAllocationInfo, &allocation,
                                      sizeof allocation) != 0;
}

long long output_file::writeSome(std::intptr_t file, std::uint64_t offset, const void* data,
                                 std::size_t size) {
    // The whole run at once: WriteFile goes on until it is written or fails.
    return writeAt(toHandle(file), offset, data, size) ? static_cast<long long>(size) : -1;
}

bool output_file::cut(std::intptr_t file, std::uint64_t size) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(toHandle(file), end, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(toHandle(file)))
        return failed();
    return true;
}

bool OutputFile::close() {
    return handle_.close() || failed();
}

}  // namespace platform
