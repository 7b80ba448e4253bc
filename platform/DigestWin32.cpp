#include <windows.h>

#include <bcrypt.h>  // after windows.h, which it needs

#include "platform/Digest.h"

namespace platform {
namespace {

class BcryptDigest : public Digest {
  public:
    BcryptDigest(BCRYPT_ALG_HANDLE algorithm, BCRYPT_HASH_HANDLE hash)
        : algorithm_(algorithm), hash_(hash) {}
    ~BcryptDigest() override {
        BCryptDestroyHash(hash_);
        BCryptCloseAlgorithmProvider(algorithm_, 0);
    }
    BcryptDigest(const BcryptDigest&) = delete;
    BcryptDigest& operator=(const BcryptDigest&) = delete;
    void write(const std::uint8_t* data, std::size_t size) override {
        // The call takes lengths in 32 bits; large pieces go in parts.
        while (size > 0) {
            const ULONG take = size > (1u << 30) ? (1u << 30) : static_cast<ULONG>(size);
            BCryptHashData(hash_, const_cast<PUCHAR>(data), take, 0);
            data += take;
            size -= take;
        }
    }
    bool finish(std::uint8_t* out, std::size_t size) override {
        return BCryptFinishHash(hash_, out, static_cast<ULONG>(size), 0) == 0;
    }

  private:
    BCRYPT_ALG_HANDLE algorithm_;
    BCRYPT_HASH_HANDLE hash_;
};

}  // namespace

std::unique_ptr<Digest> Digest::start(Kind kind) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(
            &algorithm, kind == Kind::Md5 ? BCRYPT_MD5_ALGORITHM : BCRYPT_SHA1_ALGORITHM, nullptr,
            0) != 0)
        return nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) != 0) {
        BCryptCloseAlgorithmProvider(algorithm, 0);
        return nullptr;
    }
    return std::make_unique<BcryptDigest>(algorithm, hash);
}

}  // namespace platform
