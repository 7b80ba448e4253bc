#pragma once
// Exporting an installed game back to one disc image file: its parts, in
// order, written under a temporary name beside the file and renamed into
// place once complete and flushed. A failed or cancelled export leaves no
// file behind and any earlier file of that name as it was.

#include <string>

#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

// Where an export stopped.
enum class ExportStep {
    Refused,   // unknown or damaged game, a missing part, a target that must not be replaced
    Declined,  // the question about an existing file was answered No
    NoRoom,
    Cancelled,
    Failed,
};

using ExportResult = store::Outcome<ExportStep>;

ExportResult exportGame(const std::string& root, const std::string& name, const std::string& file,
                        const report::FrontEnd& frontEnd);

}  // namespace library
