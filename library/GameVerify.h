#pragma once
// Verifying an installed game: every part read once, as one stream, for its
// size, CRC-32, MD5 and SHA-1; optionally compared with a disc image to find
// the first sector where the two differ.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "library/StreamDigest.h"
#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

// Reads up to `length` bytes of an image at `offset`: the count read (fewer
// at its end) or -1 on a read error. The front end opens the image (an ISO
// or a BIN/CUE through the disc reader) and hands this in.
using ImageReader =
    std::function<std::int64_t(std::uint64_t offset, std::uint8_t* buffer, std::size_t length)>;

// Where a verification stopped.
enum class VerifyStep {
    Refused,  // unknown game, damaged record or missing part; the user was told
    Cancelled,
    Failed,  // a part or the image could not be read; the user was told
};

// What a verification found: the digests are complete (the image may still differ).
struct VerifyReport {
    ImageDigests digests;
    int parts = 0;
    std::string damage;  // a part of the wrong size, if any (see InstalledImage)
    // With an image: the first 2048-byte sector in which the game and the
    // image differ, counting a sector that only one of them holds; none when equal.
    std::optional<std::uint64_t> firstDifferentSector;
};

using VerifyResult = store::Result<VerifyReport, VerifyStep>;

VerifyResult verifyGame(const std::string& root, const std::string& name,
                        const report::FrontEnd& frontEnd, const ImageReader& image = {});

}  // namespace library
