#include <gcrypt.h>

#include <algorithm>

#include "platform/Digest.h"

namespace platform {
namespace {

// libgcrypt wants its version checked once, before any other call and
// before threads use it.
bool gcryptReady() {
    static const bool ready = [] {
        if (gcry_check_version(GCRYPT_VERSION) == nullptr)
            return false;
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);  // nothing secret is hashed
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        return true;
    }();
    return ready;
}

class GcryptDigest : public Digest {
  public:
    GcryptDigest(gcry_md_hd_t context, int algorithm) : context_(context), algorithm_(algorithm) {}
    ~GcryptDigest() override { gcry_md_close(context_); }
    GcryptDigest(const GcryptDigest&) = delete;
    GcryptDigest& operator=(const GcryptDigest&) = delete;
    void write(const std::uint8_t* data, std::size_t size) override {
        gcry_md_write(context_, data, size);
    }
    bool finish(std::uint8_t* out, std::size_t size) override {
        const unsigned char* digest = gcry_md_read(context_, algorithm_);
        if (digest == nullptr || size != gcry_md_get_algo_dlen(algorithm_))
            return false;
        std::copy_n(digest, size, out);
        return true;
    }

  private:
    gcry_md_hd_t context_;
    int algorithm_;
};

}  // namespace

std::unique_ptr<Digest> Digest::start(Kind kind) {
    const int algorithm = kind == Kind::Md5 ? GCRY_MD_MD5 : GCRY_MD_SHA1;
    gcry_md_hd_t context = nullptr;
    if (!gcryptReady() || gcry_md_open(&context, algorithm, 0) != 0)
        return nullptr;
    return std::make_unique<GcryptDigest>(context, algorithm);
}

}  // namespace platform
