#include <cerrno>

#include "platform/DriveFileWin32.h"
#include "platform/FaultPoint.h"
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

bool OutputFile::write(const void* data, std::size_t size) {
    if (!handle_.valid() || !fileOpAllowed(FileOp::Write, path_))
        return false;
    if (!writeAt(toHandle(handle_.get()), size_, data, size))
        return false;
    size_ += size;
    return true;
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
