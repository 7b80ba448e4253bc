#include <cerrno>

#include "platform/DriveFileWin32.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Flush.h"
#include "platform/OutputFile.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

bool OutputFile::create(const std::string& path) {
    close();
    path_ = path;
    if (!removeFile(path) || !fileOpAllowed(FileOp::Open, path))
        return false;
    // CREATE_NEW: exclusive, and never through a reparse point of that name.
    Handle file = openOnDrive(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_SHARE_READ);
    if (!file.valid())
        return false;
    handle_.reset(fromHandle(file.release()));
    size_ = 0;
    return true;
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

bool OutputFile::truncate(std::uint64_t size) {
    if (!handle_.valid() || !fileOpAllowed(FileOp::Write, path_))
        return false;
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(toHandle(handle_.get()), end, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(toHandle(handle_.get())))
        return failed();
    size_ = size;
    return true;
}

bool OutputFile::sync() {
    return handle_.valid() && flushToDevice(handle_.get(), path_);
}

bool OutputFile::close() {
    return handle_.close() || failed();
}

}  // namespace platform
