#pragma once
// A CUE sheet as far as installing needs it: its FILE, TRACK and INDEX lines.
// The parser is strict: any line it does not understand makes the sheet
// malformed, so that a damaged sheet is refused rather than half-read.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/Failure.h"

namespace install {

struct CueTrack {
    int number = 0;            // 1..99, rising through the sheet
    std::string mode;          // "AUDIO", "MODE1/2352", ... as written, upper case
    std::size_t file = 0;      // index into CueSheet::files
    std::int64_t index0 = -1;  // INDEX 00 (start of the pregap) in frames, -1 when absent
    std::int64_t index1 = -1;  // INDEX 01 (start of the track) in frames
};

struct CueFile {
    std::string name;  // as written in the sheet
    std::string type;  // "BINARY", "WAVE", ... upper case
};

struct CueSheet {
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;
};

// Longest sheet read; real ones are a few kilobytes.
constexpr std::size_t kMaxCueSheetBytes = 64 * 1024;

// The steps of reading a CUE sheet and finding the data track it names.
enum class CueStep { ReadSheet, ParseSheet, FindDataTrack, CheckTrackFile };

// Parses `text`; a failure says what is wrong and on which line (its object).
store::Result<CueSheet, CueStep> parseCueSheet(std::string_view text);

// Bytes per sector that a track mode stores, 0 for a mode this reader does not take.
int cueModeSectorBytes(std::string_view mode);

}  // namespace install
