#pragma once
// Looking an image's checksums up in a Logiqx XML DAT file, the format in
// which disc-preservation projects publish theirs: <datafile> holds <game>
// (or <machine>) elements, each with <rom> elements carrying name, size and
// crc, md5 and sha1 attributes in hex.

#include <string>

#include "library/StreamDigest.h"

namespace library {

struct DatLookup {
    bool readable = false;  // false: the file is missing or not a Logiqx DAT; see `error`
    bool matched = false;
    std::string game;  // the matching entry's game name
    std::string rom;   // and its rom name
    std::string error;
};

// The first rom whose size (when given) and every hash it gives equal the
// digests; a rom that gives no hash matches nothing.
DatLookup lookUpInDat(const std::string& path, const ImageDigests& digests);

}  // namespace library
