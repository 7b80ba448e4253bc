#pragma once
// CRC-32, MD5 and SHA-1 of one stream of bytes, read once. The caller fills
// buffers and hands them over; two worker threads hash them meanwhile (MD5 on
// one, SHA-1 and CRC-32 on the other: MD5 is the slowest of the three, so the
// stream goes as fast as MD5 alone and reading overlaps with hashing).

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace library {

struct ImageDigests {
    std::uint64_t bytes = 0;
    std::uint32_t crc32 = 0;
    std::array<std::uint8_t, 16> md5{};
    std::array<std::uint8_t, 20> sha1{};
};

// Lower-case hex of the digests, as checksum files and DAT files write them.
std::string crc32Hex(std::uint32_t crc);
std::string hexOf(const std::uint8_t* bytes, std::size_t size);

class StreamDigest {
  public:
    static constexpr std::size_t kChunkBytes = std::size_t{4} << 20;
    static constexpr std::size_t kSlots = 4;

    StreamDigest();
    ~StreamDigest();
    StreamDigest(const StreamDigest&) = delete;
    StreamDigest& operator=(const StreamDigest&) = delete;

    // The buffer (kChunkBytes) for the next piece of the stream; waits until
    // the workers are done with what it held before.
    std::uint8_t* buffer();
    // Hands the buffer from buffer(), filled with `bytes` bytes, to the workers.
    void submit(std::size_t bytes);
    // Waits for the workers and returns the digests. Call once.
    ImageDigests finish();

    // The digests of bytes in memory, for small inputs and for tests.
    static ImageDigests of(const std::uint8_t* data, std::size_t size);

  private:
    struct Slot {
        std::vector<std::uint8_t> data;
        std::size_t bytes = 0;
        int pending = 0;  // workers still to hash it
    };
    void work(int worker);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::array<Slot, kSlots> slots_;
    std::uint64_t submitted_ = 0;  // pieces handed over so far
    bool ending_ = false;
    ImageDigests result_;
    std::thread md5Worker_;
    std::thread sha1Worker_;
    bool finished_ = false;
};

}  // namespace library
