// A file name found on a drive is read as a part file's name only when it is
// exactly what the part naming would write for it: the drive check removes
// what no record owns by that reading.
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/PartNaming.h"

using namespace store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    std::optional<PartFileName> part = parsePartFileName(name);
    if (!part)
        return 0;
    if (!isValidGameId(part->gameId) || part->index < 0 || part->index >= kMaxParts ||
        part->hash.size() != 8)
        __builtin_trap();
    const std::string id =
        part->gameId + (part->staged && name.find('~') != std::string::npos ? kStagingSuffix : "");
    std::string rebuilt = *partFilePath("zt." + part->hash + "." + id, part->index);
    if (part->staged && name.find('~') == std::string::npos)
        rebuilt += kFormerCopyStagingSuffix;
    if (rebuilt != name || name.find('/') != std::string::npos)
        __builtin_trap();
    return 0;
}
