#pragma once
// What identification learns about a disc, handed on to the copy.

#include <cstdint>
#include <string>

class DiscSource;

struct DiscInfo {
    std::string gameId;            // from SYSTEM.CNF's boot line; not yet validated
    std::int32_t sectorCount = 0;  // the volume space size, in 2048-byte sectors
    DiscSource* source = nullptr;  // open; closed by the install when it ends
};
