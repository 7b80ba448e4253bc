#pragma once
// Dropping records from a drive's game table. The new table is put in place
// before anything else changes; the caller deletes the part files of the
// dropped records afterwards, so a failed rewrite never leaves a listed game
// whose files are gone.

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "store/GameEntry.h"
#include "store/TableFile.h"

namespace store {

enum class RecordDecision { Keep, Drop, Abandon };

struct RewriteResult {
    enum class Status {
        Replaced,    // the new table is in place
        NotOpened,   // the table exists but cannot be read; nothing was examined
        Abandoned,   // the decision said so; the table is untouched
        Failed,      // the new table could not be written; the table is untouched
        NotFlushed,  // the new table is in place but may not be on the device;
                     // nothing that the old table named may be removed
    };
    Status status = Status::NotOpened;
    std::vector<GameEntry> dropped;  // in file order; empty unless Replaced
    std::string error;               // the system's reason when Failed or NotFlushed

    bool replaced() const { return status == Status::Replaced; }
};

// Reads the table at root + "zt.cfg" (a missing one reads as empty), asks
// `decide` about each record in file order, then writes the kept records
// followed by `append`. A Drop may come with questions already answered;
// an Abandon stops before anything is written.
RewriteResult rewriteTable(const std::string& root,
                           const std::function<RecordDecision(const GameEntry&)>& decide,
                           std::span<const GameEntry> append = {},
                           const BeforeReplace& beforeReplace = {});

}  // namespace store
