#pragma once
// A CUE sheet as far as installing needs it: its FILE, TRACK and INDEX lines.
// The parser is strict: any line it does not understand makes the sheet
// malformed, so that a damaged sheet is refused rather than half-read.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// Parses `text` into `sheet`; on failure `error` says what is wrong and on which line.
bool parseCueSheet(std::string_view text, CueSheet& sheet, std::string& error);

// Bytes per sector that a track mode stores, 0 for a mode this reader does not take.
int cueModeSectorBytes(std::string_view mode);

}  // namespace install
