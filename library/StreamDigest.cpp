#include "library/StreamDigest.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/Digest.h"

namespace library {

using namespace platform;

namespace {

using DigestContext = std::unique_ptr<platform::Digest>;

void endDigest(const DigestContext& context, std::uint8_t* out, std::size_t size) {
    if (context)
        context->finish(out, size);
}

// zlib takes lengths in its own unsigned type; large pieces go in parts.
std::uint32_t crcUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    uLong value = crc;
    while (size > 0) {
        const uInt take = size > (1u << 30) ? (1u << 30) : static_cast<uInt>(size);
        value = crc32(value, data, take);
        data += take;
        size -= take;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

std::string crc32Hex(std::uint32_t crc) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", crc);
    return text;
}

std::string hexOf(const std::uint8_t* bytes, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

StreamDigest::StreamDigest() {
    for (Slot& slot : slots_)
        slot.data.resize(kChunkBytes);
    md5Worker_ = std::thread([this] { work(0); });
    sha1Worker_ = std::thread([this] { work(1); });
}

StreamDigest::~StreamDigest() {
    if (!finished_)
        finish();
}

std::uint8_t* StreamDigest::buffer() {
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& slot = slots_[submitted_ % kSlots];
    changed_.wait(lock, [&] { return slot.pending == 0; });
    return slot.data.data();
}

void StreamDigest::submit(std::size_t bytes) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Slot& slot = slots_[submitted_ % kSlots];
        slot.bytes = bytes;
        slot.pending = 2;
        ++submitted_;
        result_.bytes += bytes;
    }
    changed_.notify_all();
}

void StreamDigest::work(int worker) {
    DigestContext md5 =
        worker == 0 ? platform::Digest::start(platform::Digest::Kind::Md5) : nullptr;
    DigestContext sha1 =
        worker == 1 ? platform::Digest::start(platform::Digest::Kind::Sha1) : nullptr;
    std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    for (std::uint64_t next = 0;; ++next) {
        Slot* slot = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return submitted_ > next || ending_; });
            if (submitted_ <= next)
                break;  // ending, and every piece is hashed
            slot = &slots_[next % kSlots];
        }
        // The slot is not reused until this worker has said it is done.
        if (worker == 0) {
            if (md5)
                md5->write(slot->data.data(), slot->bytes);
        } else {
            if (sha1)
                sha1->write(slot->data.data(), slot->bytes);
            crc = crcUpdate(crc, slot->data.data(), slot->bytes);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --slot->pending;
        }
        changed_.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (worker == 0) {
        endDigest(md5, result_.md5.data(), result_.md5.size());
    } else {
        endDigest(sha1, result_.sha1.data(), result_.sha1.size());
        result_.crc32 = crc;
    }
}

ImageDigests StreamDigest::finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    if (md5Worker_.joinable())
        md5Worker_.join();
    if (sha1Worker_.joinable())
        sha1Worker_.join();
    finished_ = true;
    return result_;
}

ImageDigests StreamDigest::of(const std::uint8_t* data, std::size_t size) {
    StreamDigest digest;
    while (size > 0) {
        const std::size_t take = size < kChunkBytes ? size : kChunkBytes;
        std::copy(data, data + take, digest.buffer());
        digest.submit(take);
        data += take;
        size -= take;
    }
    return digest.finish();
}

}  // namespace library
