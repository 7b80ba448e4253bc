#include "install/PartFile.h"

#include <algorithm>
#include <cstring>

bool PartFile::open(const std::string& path) {
    close();
    if (!buffer_)
        buffer_ = std::make_unique<std::uint8_t[]>(kBufferSize);
    used_ = 0;
    failed_ = false;
    path_ = path;
    // The stream's own buffer is off: our buffer already makes the writes large.
    stream_.rdbuf()->pubsetbuf(nullptr, 0);
    stream_.open(path, std::ios::binary | std::ios::out | std::ios::trunc);
    return stream_.is_open();
}

bool PartFile::flush() {
    if (used_ == 0)
        return !failed_;
    if (!failed_) {
        stream_.write(reinterpret_cast<const char*>(buffer_.get()),
                      static_cast<std::streamsize>(used_));
        failed_ = !stream_.good();
    }
    used_ = 0;
    return !failed_;
}

bool PartFile::write(const std::uint8_t* data, std::size_t size) {
    if (!stream_.is_open() || failed_)
        return false;
    while (size > 0) {
        if (used_ == kBufferSize && !flush())
            return false;
        std::size_t take = std::min(size, kBufferSize - used_);
        std::memcpy(buffer_.get() + used_, data, take);
        used_ += take;
        data += take;
        size -= take;
    }
    return true;
}

bool PartFile::close() {
    if (!stream_.is_open())
        return true;
    bool ok = flush();
    stream_.close();
    ok = ok && !stream_.fail();
    stream_.clear();
    return ok;
}
