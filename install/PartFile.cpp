#include "install/PartFile.h"

#include <algorithm>
#include <cstring>

#include "platform/WriteBehind.h"

namespace install {

using namespace platform;

bool PartFile::open(const std::string& path, std::uint64_t expectedBytes) {
    close();
    if (!buffer_)
        buffer_ = std::make_unique<std::uint8_t[]>(kBufferSize);
    used_ = 0;
    failed_ = false;
    path_ = path;
    behind_.reset();
    if (!file_.create(path))
        return false;
    file_.reserve(expectedBytes);  // a file system without reservations still takes the writes
    return true;
}

bool PartFile::flush() {
    if (used_ == 0)
        return !failed_;
    if (!failed_)
        failed_ = !file_.write(buffer_.get(), used_);
    used_ = 0;
    if (!failed_)
        writeBehind();
    return !failed_;
}

void PartFile::writeBehind() {
    if (const std::optional<WriteBehindStep> step = behind_.advance(file_.size())) {
        platform::startWriteBack(file_.handle(), step->startFrom, step->startLength);
        platform::awaitWriteBack(file_.handle(), step->waitFrom, step->waitLength);
    }
}

bool PartFile::write(const std::uint8_t* data, std::size_t size) {
    if (!file_.isOpen() || failed_)
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

bool PartFile::appendFrom(DiscDevice& device, std::uint64_t offset, std::size_t length,
                          bool& unsupported) {
    unsupported = false;
    if (!file_.isOpen() || !flush())
        return false;
    const std::uint64_t before = file_.size();
    platform::SendResult sent = device.sendTo(offset, length, file_);
    unsupported = sent.unsupported;
    if (!sent.failed && sent.bytes == static_cast<std::int64_t>(length)) {
        writeBehind();
        return true;
    }
    // Whatever arrived is cut off again, so that the sectors can be written
    // one by one from where the file stood. The cut is flushed at once: the
    // file's entry on the device may still name the clusters it freed.
    if (!file_.truncate(before) || !file_.sync())
        failed_ = true;
    return false;
}

bool PartFile::close() {
    if (!file_.isOpen())
        return true;
    // A part is on the device before anything (the table) may name it.
    bool ok = flush() && file_.sync();
    return file_.close() && ok;
}

void PartFile::abandon() {
    used_ = 0;
    file_.close();
}

}  // namespace install
