#pragma once
// Finds what a stopped command, a pulled plug or another program left wrong
// on a drive, and repairs it: games split across two name hashes, records
// whose parts are missing or that name no files, unknown media types, part
// files that no record owns and a leftover temporary table.

#include <cstddef>
#include <string>
#include <vector>

#include "store/FrontEnd.h"

struct DriveFinding {
    enum class Kind {
        TableUnreadable,  // zt.cfg is no plain file (a link, a folder); nothing else is checked
        LeftoverTemp,     // tepcdfile.tep: removed
        SplitGame,        // missing parts lie under another name hash: moved back
        MissingParts,     // missing parts found nowhere: the record and its other parts removed
        DamagedRecord,    // part count or game ID names no files: count restored or record removed
        UnknownMedia,     // media type neither CD nor DVD: set from the game's size
        UnownedFile,      // a part file that no record owns: removed
    };
    Kind kind;
    std::string text;        // what was found, for the user (control bytes escaped)
    std::size_t record = 0;  // the record's index in the table, for record findings
    std::string path;        // the file, for file findings
    int restoredCount = 0;   // DamagedRecord: the part count found on the drive, 0 for none
};

struct DriveReport {
    bool tableFound = false;
    std::vector<DriveFinding> findings;
    bool sound() const { return findings.empty(); }
};

// Reads the drive at `root` and reports; changes nothing.
DriveReport checkDrive(const std::string& root);

// Repairs the findings of `report` (table changes first, in one atomic
// replacement, then file removals). Returns the texts of what could not be
// repaired, each with the system's reason.
std::vector<std::string> repairDrive(const std::string& root, const DriveReport& report);

enum class DriveCheckResult {
    Sound,     // nothing found
    Repaired,  // something was found and repaired
    Found,     // something was found and left as it is (the user answered No)
    Failed,    // the drive cannot be read, or a repair failed
};

// The check command: prints each finding as a line on `out`, asks "Repair the
// drive?" when something was found, and repairs on Yes.
DriveCheckResult checkAndRepairDrive(const std::string& root, const FrontEnd& frontEnd);
