#pragma once
// Checks that a source holds an ISO 9660 disc, takes its size from the
// primary volume descriptor and its game ID from SYSTEM.CNF in the root
// directory. Everything is read through DiscSource, so a drive and an image
// file are treated alike and nothing needs mounting.

#include <string>

#include "install/DiscInfo.h"
#include "install/DiscSource.h"
#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace install {

// What the status line says while a disc is being identified.
inline constexpr const char* kCheckingDisc = "Checking disc..\n";

// Where identification stopped. A failure's object is the source's path; its
// reason is what the status line said and why, as a box says it after
// "Source drive is invalid" (empty where the source's reads said it).
enum class IdentifyStep {
    Open,        // the source cannot be opened
    Read,        // a sector cannot be read
    Volume,      // no ISO 9660 volume: "Invalid disc"
    Incomplete,  // the image ends before its volume
    SystemCnf,   // SYSTEM.CNF is missing, truncated or damaged
};
using IdentifyResult = store::Result<DiscInfo, IdentifyStep>;

// Opens `path` with `source` and identifies the disc in it. On failure the
// status line says why and the source is closed; on success the source stays
// open and the result's `source` points to it.
IdentifyResult identifyDisc(DiscSource& source, const std::string& path,
                            report::StatusLine& status);

}  // namespace install
