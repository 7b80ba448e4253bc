#pragma once
// Checks that a source holds an ISO 9660 disc, takes its size from the
// primary volume descriptor and its game ID from SYSTEM.CNF in the root
// directory. Everything is read through DiscSource, so a drive and an image
// file are treated alike and nothing needs mounting.

#include <string>

#include "install/DiscInfo.h"
#include "install/DiscSource.h"
#include "report/FrontEnd.h"

namespace install {

// What the status line says while a disc is being identified.
inline constexpr const char* kCheckingDisc = "Checking disc..\n";

// Opens `path` with `source` and fills `info`. On failure the status line
// says why, the source is closed and false is returned; on success the source
// stays open and `info.source` points to it.
bool identifyDisc(DiscSource& source, const std::string& path, report::StatusLine& status,
                  DiscInfo& info);
// The same; when the status line said "Invalid disc", `reason` says what
// was found instead of an ISO 9660 volume (one line, ending in "\n").
bool identifyDisc(DiscSource& source, const std::string& path, report::StatusLine& status,
                  DiscInfo& info, std::string& reason);

}  // namespace install
