#include "install/DiscSource.h"

#include <algorithm>

namespace install {

using namespace report;
using namespace platform;

DiscSource::DiscSource(StatusLine& status, DiscOpener opener)
    : status_(status),
      opener_(std::move(opener)),
      buffer_(static_cast<std::size_t>(kBlockSectors) * kSectorSize) {}

store::Outcome<DiscOpenStep> DiscSource::open(const std::string& path) {
    close();
    if (!opener_)
        return DiscOpenFailure{DiscOpenStep::Open, path, {}};
    DiscOpenResult opened = opener_(path);
    if (!opened)
        return opened.failure();
    device_ = std::move(opened).value();
    return {};
}

void DiscSource::close() {
    device_.reset();
    cachedBlock_ = -1;
    kernelCopy_ = true;
}

bool DiscSource::copySectors(std::int32_t lba, std::int32_t count, std::int32_t totalSectors,
                             PartFile& part) {
    if (!device_ || !kernelCopy_ || lba < 0 || count <= 0 ||
        std::int64_t{lba} + count - 1 + kTailSectors >= totalSectors)
        return false;
    bool unsupported = false;
    bool copied = part.appendFrom(*device_, std::uint64_t(lba) * kSectorSize,
                                  std::size_t(count) * kSectorSize, unsupported);
    if (unsupported)
        kernelCopy_ = false;
    return copied;
}

const std::uint8_t* DiscSource::readSector(std::int32_t lba, std::int32_t totalSectors) {
    if (!device_ || lba < 0)
        return nullptr;
    std::int64_t blockStart = lba - lba % kBlockSectors;
    std::int64_t position = lba - blockStart;
    std::int64_t count = kBlockSectors;
    if (static_cast<std::int64_t>(lba) + kTailSectors >= totalSectors) {
        // Near the end a block read could run past the last readable sector.
        count = 1;
        blockStart = lba;
        position = 0;
    } else if (blockStart == cachedBlock_) {
        return buffer_.data() + position * kSectorSize;
    }

    cachedBlock_ = -1;  // a failed read may have overwritten part of the buffer
    const std::size_t length = static_cast<std::size_t>(count) * kSectorSize;
    const std::uint64_t offset = static_cast<std::uint64_t>(blockStart) * kSectorSize;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        std::int64_t got = device_->read(offset, buffer_.data(), length);
        if (got >= 0) {
            // A short read ends the medium; what it did not fill is zero, never
            // the data of an earlier read.
            std::size_t filled = std::min(static_cast<std::size_t>(got), length);
            std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(filled),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(length), 0);
            if (count == kBlockSectors)
                cachedBlock_ = blockStart;
            return buffer_.data() + position * kSectorSize;
        }
        if (blockStart + count + kToleratedSectors >= totalSectors) {
            // The last sectors of many discs cannot be read; they stand as zeros.
            std::fill(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length), 0);
            return buffer_.data() + position * kSectorSize;
        }
        status_.setText("\nREAD ERROR.. Retry");
    }
    status_.setText("\nGIVING UP\n");
    if (giveUp_)
        giveUp_();
    return nullptr;
}

}  // namespace install
