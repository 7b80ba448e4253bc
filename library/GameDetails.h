#pragma once
// The details text of one game: its size on the drive and its part count.

#include <optional>
#include <string>

#include "store/FrontEnd.h"

// "Size <bytes> Bytes ,File number <PartCount> " for the last record named
// `name`; nothing when no record carries the name, or when the drive could
// not be held for reading (the front end said why). For a damaged record the
// count is the byte as stored (0 to 255), and a note follows. Only reads the drive.
std::optional<std::string> gameDetails(const std::string& root, const std::string& name,
                                       const FrontEnd& frontEnd);
