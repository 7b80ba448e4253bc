#pragma once
// Puts a new game, its parts and its record, on a drive in place of the
// records of the same name, in an order that keeps every listed game whole:
// the new parts are on the device before a table names them, the replaced
// game's files go only once no table names them, and each table change is
// one atomic replacement. Install and copy both replace games this way.
//
// A new part whose name a replaced game's file holds is written under its
// staged name and takes its own name after that game left the table; the
// other parts are written under their own names.
//
// The drive's intent file (store/ChangeIntent.h) says what the replacement
// does from before the first new part is written until the table holds the
// new record: a replacement stopped anywhere is finished, or undone, by the
// next command that opens the drive (store/ChangeSettling.h).

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "store/GameEntry.h"
#include "store/TableRewrite.h"

namespace store {

struct ReplacementResult {
    enum class Step {
        Done,               // the new record and its parts are in place
        NotFlushed,         // the new parts' names could not be flushed; nothing changed
        FormerNotDropped,   // the table without the replaced game could not be put in place
        NotRenamed,         // a staged part could not take its name; the former game is gone
        RenamedNotFlushed,  // the renamed parts could not be flushed; the former game is gone
        TableNotWritten,    // the table with the new record: see `table`
    };
    Step step = Step::Done;
    std::string reason;  // the system's reason for a failed file operation
    // The failed table write (FormerNotDropped, TableNotWritten).
    RewriteResult table = RewrittenTable{};
    std::string from;                    // NotRenamed: the staged part
    std::string to;                      // NotRenamed: the name it should have taken
    std::vector<std::string> unremoved;  // replaced files that stay: "path: reason"
    // The intent file stays on the drive, and the new parts with it: the
    // next command that opens the drive finishes the replacement.
    bool pending = false;

    bool done() const { return step == Step::Done; }
};

class GameReplacement {
  public:
    // `records`: the drive's table as read before anything changed;
    // `partPaths`: the new game's part files under their own names.
    GameReplacement(std::string root, std::string name, const std::vector<GameEntry>& records,
                    std::vector<std::string> partPaths);

    // The records of the name, in table order: the games the new one replaces.
    const std::vector<GameEntry>& replaced() const { return replaced_; }
    // The first new part whose name a game the drive keeps owns; empty when none.
    std::string partOwnedByKeptGame() const;
    const std::string& root() const { return root_; }
    const std::string& name() const { return name_; }
    // Whether a record of another name names `path`.
    bool keptOwns(const std::string& path) const { return keptPaths_.count(path) != 0; }
    // Whether a replaced record names `path`.
    bool replacedOwns(const std::string& path) const { return replacedPaths_.count(path) != 0; }
    // The replaced records' files that exist and that no kept record names.
    std::set<std::string> replacedFiles() const;

    const std::vector<std::string>& partPaths() const { return partPaths_; }
    // Where new part `index` is written.
    const std::string& writePath(std::size_t index) const { return writePaths_[index]; }
    // Where each new part stands now.
    const std::vector<std::string>& currentPaths() const { return currentPaths_; }
    // Whether the replaced game has left the table.
    bool formerGone() const { return formerGone_; }

    // Puts the intent on the drive before anything changes, when the new game
    // replaces one: `expected` is the new record as it will be. False (errno
    // tells why) when it cannot be.
    bool announce(const GameEntry& expected);

    // Drops the replaced records before any new part is written, when only
    // their room lets the new game fit, then removes their files. Every new
    // part is then written under its own name.
    RewriteResult makeRoom(std::vector<std::string>& unremoved);

    // Once every new part is written and flushed: flushes their names, moves
    // staged parts to their own names after the replaced game left the
    // table, and puts the table with `added` appended in place; then removes
    // the replaced game's files.
    ReplacementResult finish(const GameEntry& added);

    // Removes the new parts wherever they stand (after a failure); once the
    // former game is gone its files' names go too, as nothing names them.
    // Then the intent goes. Nothing is removed while the replacement is pending.
    void discardNewParts() const;
    // The intent goes, once the caller removed every part it wrote.
    void withdraw() const;

  private:
    // Drops the records of the name, noting the files the table keeps.
    RecordDecision decide(const GameEntry& entry);
    void removeDropped(const std::vector<GameEntry>& dropped, const std::set<std::string>& spare,
                       std::vector<std::string>& unremoved) const;
    bool moveStagedParts(ReplacementResult& result);
    ReplacementResult finishInOrder(const GameEntry& added);

    std::string root_;
    std::string name_;
    std::vector<GameEntry> replaced_;
    std::set<std::string> keptPaths_;      // named by records of other names
    std::set<std::string> replacedPaths_;  // named by the replaced records
    std::vector<std::string> partPaths_;
    std::vector<std::string> writePaths_;
    std::vector<std::string> currentPaths_;
    bool formerGone_ = false;
    bool announced_ = false;
    bool pending_ = false;
};

}  // namespace store
