#include "platform/OutputFile.h"

#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Flush.h"
#include "platform/OutputFileSystem.h"

namespace platform {

bool OutputFile::create(const std::string& path) {
    close();
    path_ = path;
    if (!removeFile(path) || !fileOpAllowed(FileOp::Open, path))
        return false;
    handle_ = output_file::createNew(path);
    if (!handle_.valid())
        return false;
    size_ = 0;
    return true;
}

bool OutputFile::write(const void* data, std::size_t size) {
    if (!handle_.valid())
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        if (!fileOpAllowed(FileOp::Write, path_))
            return false;
        const long long n = output_file::writeSome(handle_.get(), size_, bytes, size);
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        size_ += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool OutputFile::truncate(std::uint64_t size) {
    if (!handle_.valid() || !fileOpAllowed(FileOp::Write, path_) ||
        !output_file::cut(handle_.get(), size))
        return false;
    size_ = size;
    return true;
}

bool OutputFile::sync() {
    return handle_.valid() && flushToDevice(handle_.get(), path_);
}

}  // namespace platform
