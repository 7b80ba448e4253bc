// The CUE sheet parser on arbitrary text: it never crashes, and a sheet it
// accepts has tracks that point at its files with their INDEX 01 set.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "install/CueSheet.h"

using namespace install;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed = parseCueSheet(std::string_view(reinterpret_cast<const char*>(data), size));
    if (parsed) {
        const CueSheet& sheet = parsed.value();
        if (sheet.tracks.empty())
            __builtin_trap();
        for (const CueTrack& track : sheet.tracks) {
            if (track.file >= sheet.files.size() || track.index1 < 0)
                __builtin_trap();
        }
    }
    return 0;
}
