#pragma once
// MD5 and SHA-1 from the system's own hashing: libgcrypt on Linux, the
// system's cryptography (BCrypt) on Windows, so that the Windows programs
// link nothing that brings in sockets or window functions.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

class Digest {
  public:
    enum class Kind { Md5, Sha1 };
    // None when the system cannot hash so.
    static std::unique_ptr<Digest> start(Kind kind);
    virtual ~Digest() = default;
    virtual void write(const std::uint8_t* data, std::size_t size) = 0;
    // Writes the digest's `size` bytes (16 for MD5, 20 for SHA-1) to `out`.
    virtual bool finish(std::uint8_t* out, std::size_t size) = 0;
};

}  // namespace platform
