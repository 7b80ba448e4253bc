#include <blkid/blkid.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/SignatureProbePosix.h"

namespace platform {

namespace {

struct ProbeDeleter {
    void operator()(blkid_struct_probe* probe) const { blkid_free_probe(probe); }
};

// The type, magic offset and magic length of what the probe last found.
bool lookupFound(blkid_probe probe, Signature& signature) {
    const char* type = nullptr;
    const char* offset = nullptr;
    const char* magic = nullptr;
    std::size_t length = 0;
    bool superblock = blkid_probe_lookup_value(probe, "TYPE", &type, nullptr) == 0;
    const char* offsetName = superblock ? "SBMAGIC_OFFSET" : "PTMAGIC_OFFSET";
    const char* magicName = superblock ? "SBMAGIC" : "PTMAGIC";
    if (!superblock && blkid_probe_lookup_value(probe, "PTTYPE", &type, nullptr) != 0)
        return false;
    if (blkid_probe_lookup_value(probe, offsetName, &offset, nullptr) != 0 ||
        blkid_probe_lookup_value(probe, magicName, &magic, &length) != 0 || length == 0) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    unsigned long long at = std::strtoull(offset, &end, 10);
    if (errno != 0 || end == offset || *end != '\0')
        return false;
    signature.type = type;
    signature.offset = at;
    signature.length = length;
    return true;
}

}  // namespace

bool probeSignatures(int fd, std::uint64_t offset, std::uint64_t size,
                     std::vector<Signature>& found) {
    found.clear();
    std::unique_ptr<blkid_struct_probe, ProbeDeleter> probe(blkid_new_probe());
    if (!probe || blkid_probe_set_device(probe.get(), fd, static_cast<blkid_loff_t>(offset),
                                         static_cast<blkid_loff_t>(size)) != 0) {
        return false;
    }
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(
        probe.get(), BLKID_SUBLKS_TYPE | BLKID_SUBLKS_MAGIC | BLKID_SUBLKS_BADCSUM);
    blkid_probe_enable_partitions(probe.get(), 1);
    blkid_probe_set_partitions_flags(probe.get(), BLKID_PARTS_MAGIC | BLKID_PARTS_FORCE_GPT);
    // One signature per call, each prober in turn, as wipefs walks them.
    int result = 0;
    while ((result = blkid_do_probe(probe.get())) == 0) {
        Signature signature;
        if (lookupFound(probe.get(), signature))
            found.push_back(std::move(signature));
    }
    return result == 1;  // 1: nothing more to find; -1: the probe failed
}

}  // namespace platform
