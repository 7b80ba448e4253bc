#pragma once
// What identification learns about a disc, handed on to the copy.

#include <cstdint>
#include <string>

namespace install {

class DiscSource;

struct DiscInfo {
    std::string gameId;  // from SYSTEM.CNF's boot line; not yet validated
    // Sectors to copy: the volume space size, or the medium's size when that
    // is larger (a dual-layer DVD, an image with data after the volume).
    std::int32_t sectorCount = 0;
    DiscSource* source = nullptr;  // open; closed by the install when it ends
};

}  // namespace install
