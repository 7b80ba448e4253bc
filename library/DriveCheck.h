#pragma once
// Finds what a stopped command, a pulled plug or another program left wrong
// on a drive, and repairs it: games split across two name hashes, records
// whose parts are missing or that name no files, unknown media types, whole
// games that lost their record, part files that make no game, what a stopped
// rewrite of a fragmented part left, and a leftover temporary table. No
// complete game is ever removed: one that no record names is recorded again.

#include <cstddef>
#include <string>
#include <vector>

#include "library/LostGames.h"
#include "library/PartFragments.h"
#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

struct DriveFinding {
    enum class Kind {
        // zt.cfg is a link, a folder or unreadable, or missing beside part
        // files: no part is touched; the table can be rebuilt from the lost games
        TableUnreadable,
        LeftoverTemp,     // tepcdfile.tep: removed
        TornRecord,       // zt.cfg ends in a piece of a record: the table is written
                          // without it; a whole game under the name it still holds is
                          // recorded again under that name (a LostGame finding)
        RewriteLeftover,  // left by a stopped rewrite of a part: put back or removed
        SplitGame,        // missing parts lie under another name hash: moved back
        MissingParts,     // missing parts found nowhere: the record and its other parts removed
        DamagedRecord,    // part count or game ID names no files: count restored or record removed
        UnknownMedia,     // media type neither CD nor DVD: set from the game's size
        ShortParts,       // a part is empty, or the parts hold less than their disc: named only
        LostGame,         // a whole game that no record names, or one whose part .00 holds
                          // no volume descriptor (as damaged): recorded again
        UnownedFile,      // a part file that no record names and makes no whole game: removed
        NotAFile,         // a folder named like a part file: a note only, never removed
        DuplicateRecord,  // a record byte for byte the same as one before it: dropped
        UnjudgedPart,     // a part of a game whose part .00 is gone: named only, never removed
    };
    Kind kind;
    std::string text;        // what was found, for the user (control bytes escaped)
    std::size_t record = 0;  // the record's index in the table, for record findings
    std::string path;        // the file, for file findings
    int restoredCount = 0;   // DamagedRecord: the part count found on the drive, 0 for none
    std::size_t item = 0;    // RewriteLeftover, LostGame: index in the report's list
};

struct DriveReport {
    bool tableFound = false;
    std::vector<DriveFinding> findings;
    std::vector<RewriteLeftover> rewrites;
    std::vector<LostGame> lostGames;
    std::vector<DriveFinding> notes;  // what check leaves alone and only names (NotAFile)
    std::vector<std::string> unread;  // folders that could not be read in full, and why:
                                      // nothing found may be repaired
    bool sound() const { return findings.empty() && unread.empty(); }
    // The table could not be read: only lost games were looked for.
    bool tableUnreadable() const {
        return !findings.empty() && findings[0].kind == DriveFinding::Kind::TableUnreadable;
    }
};

// Reads the drive at `root` and reports; changes nothing. A folder that
// cannot be read in full is named in `unread`, never taken for one without
// the files it may hold.
DriveReport checkDrive(const std::string& root);

// Repairs the findings of `report`: parts put back and moved first, then the
// table in one atomic replacement, then file removals. Returns the texts of
// what could not be repaired, each with the system's reason.
std::vector<std::string> repairDrive(const std::string& root, const DriveReport& report);

// How a check that ran to its end ended.
enum class DriveCheckKind {
    Sound,     // nothing found
    Repaired,  // something was found and repaired
    Found,     // something was found and left as it is (the user answered No)
};

// Where a check stopped. A failure's object is the drive's root, its reason
// the text of the box shown (or of the status line, for a wait stopped).
enum class DriveCheckStep {
    Open,    // the drive's folder cannot be opened
    Access,  // the drive cannot be held against other programs
    Unread,  // a folder cannot be read in full: nothing was repaired
    Repair,  // a repair failed
};

using DriveCheckResult = store::Result<DriveCheckKind, DriveCheckStep>;

// Whether the check ran to its end as `kind`.
inline bool endedAs(const DriveCheckResult& result, DriveCheckKind kind) {
    return result && result.value() == kind;
}

// The check command: prints each finding as a line on `out`, asks "Repair the
// drive?" (or, when the table cannot be read, "Rebuild the game table from
// the games found?") and repairs on Yes.
DriveCheckResult checkAndRepairDrive(const std::string& root, const report::FrontEnd& frontEnd);

}  // namespace library
