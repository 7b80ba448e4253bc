#pragma once
// The details text of one game: its size on the drive and its part count.

#include <optional>
#include <string>

#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

// Why a look-up of one game's details found none.
enum class DetailsStep {
    NotFound,         // no record carries the name; nothing was said
    TableUnreadable,  // the table is not a file that can be read (the front end said why)
    Stopped,          // the drive could not be held for reading (the front end said why)
};

// The details text, when found.
using GameDetailsLookup = store::Result<std::string, DetailsStep>;

// "Size <bytes> Bytes ,File number <PartCount> " for the last record named
// `name`. For a damaged record the count is the byte as stored (0 to 255),
// and a note follows. Only reads the drive.
GameDetailsLookup lookUpGameDetails(const std::string& root, const std::string& name,
                                    const report::FrontEnd& frontEnd);

// The details when they were found; nothing otherwise.
std::optional<std::string> gameDetails(const std::string& root, const std::string& name,
                                       const report::FrontEnd& frontEnd);

}  // namespace library
