#pragma once
// Disc images other than plain ISO files: a CUE sheet with its track files,
// and a bare BIN of raw 2352-byte CD sectors. Either is presented as the
// 2048-byte user data of its first data track, so that identification and
// the split copy read it exactly as they read the equivalent ISO image.

#include <cstdint>
#include <memory>
#include <string>

#include "install/CueSheet.h"
#include "install/DiscDevice.h"
#include "store/Failure.h"

namespace install {

// A raw CD sector: 12 sync bytes, a 4-byte header (address, mode), then for
// Mode 1 the user data; for Mode 2 an 8-byte subheader before it.
constexpr int kRawSectorBytes = 2352;
constexpr int kMode1DataOffset = 16;
constexpr int kMode2DataOffset = 24;
constexpr int kRawModeByte = 15;

// True when `sector` begins with the 12-byte sync pattern 00 FF*10 00.
bool hasSyncPattern(const std::uint8_t* sector);

// One data track inside a file.
struct DataTrack {
    std::string path;           // the file that holds it
    std::uint64_t start = 0;    // byte offset of its first sector in the file
    std::uint64_t sectors = 0;  // sectors it holds
    int sectorBytes = 2048;     // 2048 (user data only) or 2352 (raw)
    int mode = 0;               // raw sectors: 1 or 2 as the sheet says; a bare BIN's first
                                // data sector decides
};

// Finds the first data track that the CUE sheet at `path` names, checking
// the sheet and its track file.
store::Result<DataTrack, CueStep> dataTrackOfCueSheet(const std::string& path);

// Opens a data track: every raw sector is checked (sync pattern and mode)
// before the device is returned, so that a damaged image is refused before
// anything is written.
DiscOpenResult openDataTrack(DataTrack track);

// Opens a disc image by its path: a ".cue" sheet, a bare BIN (recognised by
// the sync pattern at its start), or else the file or device itself.
DiscOpenResult openDiscImage(const std::string& path);

}  // namespace install
