#pragma once
// Finishes or undoes a change of a drive's records that stopped before its
// end, as the drive's intent file (store/ChangeIntent.h) describes it, so
// that the table holds either the records from before with their files, or
// the change's records with theirs. Runs before anything else whenever a
// command opens a drive to change it, lists it or checks it.

#include <string>

#include "store/Failure.h"

namespace store {

// What became of a change that had stopped.
struct SettledChange {
    enum class Kind {
        None,      // no intent on the drive
        Finished,  // the change is complete: its records and their files are in place
        Undone,    // the records from before and their files are as they were
    };
    Kind kind = Kind::None;
    std::string name;  // the game the change was about
};

// Where settling stopped. A failure's object is the file that could not be
// read or changed; its reason is the text the person is told.
enum class SettlingStep {
    Read,   // the table or the intent file cannot be read; nothing was touched
    Files,  // a file operation failed; the intent stays for the next try
};

using Settling = Result<SettledChange, SettlingStep>;

Settling settleChange(const std::string& root);

// What the person is told of a settled change; empty for None.
std::string settlingText(const Settling& settling);

}  // namespace store
