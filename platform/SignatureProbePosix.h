#pragma once
// Signatures on an open disk or image, as libblkid (the probing blkid and
// wipefs use) finds them.

#include <cstdint>
#include <vector>

#include "platform/BlockDevice.h"

namespace platform {

// Every file-system, RAID, swap and partition-table signature that libblkid
// finds in `size` bytes from `offset` of the open file `fd`. A GUID partition
// table counts even without its protective MBR, so that a backup header at
// the end is found once the primary one is gone.
bool probeSignatures(int fd, std::uint64_t offset, std::uint64_t size,
                     std::vector<Signature>& found);

}  // namespace platform
