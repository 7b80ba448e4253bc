#include "store/GameReplacement.h"

#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Volume.h"
#include "store/ChangeIntent.h"
#include "store/ChangeSettling.h"
#include "store/PartNaming.h"

namespace store {

using namespace platform;

GameReplacement::GameReplacement(std::string root, std::string name,
                                 const std::vector<GameEntry>& records,
                                 std::vector<std::string> partPaths)
    : root_(std::move(root)), name_(std::move(name)), partPaths_(std::move(partPaths)) {
    for (const GameEntry& record : records) {
        const bool replaced = record.DisplayName() == name_;
        if (replaced)
            replaced_.push_back(record);
        for (const std::string& path : partFilesOf(root_, record).paths)
            (replaced ? replacedPaths_ : keptPaths_).insert(path);
    }
    for (const std::string& path : partPaths_)
        writePaths_.push_back(replacedOwns(path) ? stagedPartPath(path) : path);
    currentPaths_ = writePaths_;
}

std::string GameReplacement::partOwnedByKeptGame() const {
    for (const std::string& path : partPaths_) {
        if (keptPaths_.count(path) != 0)
            return path;
    }
    return {};
}

std::set<std::string> GameReplacement::replacedFiles() const {
    std::set<std::string> files;
    for (const std::string& path : replacedPaths_) {
        if (keptPaths_.count(path) == 0 && platform::regularFileSize(path))
            files.insert(path);
    }
    return files;
}

RecordDecision GameReplacement::decide(const GameEntry& entry) {
    if (entry.DisplayName() == name_)
        return RecordDecision::Drop;
    // The table as rewritten, should it have changed since it was read.
    for (const std::string& path : partFilesOf(root_, entry).paths)
        keptPaths_.insert(path);
    return RecordDecision::Keep;
}

void GameReplacement::removeDropped(const std::vector<GameEntry>& dropped,
                                    const std::set<std::string>& spare,
                                    std::vector<std::string>& unremoved) const {
    for (const GameEntry& entry : dropped) {
        // The last part first, so that a stop leaves part .00 with the parts before.
        bool kept = false;
        const std::vector<std::string> paths = partFilesOf(root_, entry).paths;
        for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
            const std::string& path = *it;
            if (spare.count(path) != 0 || keptPaths_.count(path) != 0)
                continue;
            if (kept) {
                unremoved.push_back(path + ": kept with the part after it");
            } else if (!platform::removeFile(path)) {
                unremoved.push_back(path + ": " + platform::lastErrorText());
                kept = true;  // part .00 stays with it, so that the check knows them
            }
        }
    }
}

bool GameReplacement::announce(const GameEntry& expected) {
    // A new game that replaces none is announced too: a stop while its
    // parts are written, or once they are complete, then ends with no trace
    // of it or with it recorded under its own name, never as a whole game
    // that a check finds and names by a guess.
    if (announced_)
        return true;
    ChangeIntent intent;
    intent.before = replaced_;
    intent.after = {expected};
    announced_ = writeIntent(root_, intent);
    // An intent that could not be put in place announces nothing: what of
    // it reached the drive goes, and the drive stays as it was.
    if (!announced_)
        clearIntent(root_);
    return announced_;
}

RewriteResult GameReplacement::makeRoom(std::vector<std::string>& unremoved) {
    RewriteResult dropped =
        rewriteTable(root_, [this](const GameEntry& entry) { return decide(entry); });
    if (!dropped)
        return dropped;
    formerGone_ = true;
    removeDropped(dropped.value().dropped, {}, unremoved);
    writePaths_ = currentPaths_ = partPaths_;
    return dropped;
}

bool GameReplacement::moveStagedParts(ReplacementResult& result) {
    for (std::size_t i = 0; i < partPaths_.size(); ++i) {
        if (currentPaths_[i] == partPaths_[i])
            continue;
        // The folder is flushed once all are moved.
        if (platform::replaceFile(currentPaths_[i], partPaths_[i]) ==
            platform::Replacement::Failed) {
            result.step = ReplacementResult::Step::NotRenamed;
            result.reason = platform::lastErrorText();
            result.from = currentPaths_[i];
            result.to = partPaths_[i];
            return false;
        }
        currentPaths_[i] = partPaths_[i];
    }
    return true;
}

ReplacementResult GameReplacement::finish(const GameEntry& added) {
    ReplacementResult result;
    // The new parts' names reach the device before a table may name them;
    // then the intent says they are complete, and what they replace. A new
    // game that replaces none says so too: a stop before its table is
    // written then ends with the game recorded under its own name, not found
    // by a check and named by a guess.
    ChangeIntent intent;
    intent.phase = ChangeIntent::Phase::Complete;
    if (!formerGone_)
        intent.before = replaced_;
    intent.after = {added};
    for (const std::string& path : currentPaths_)
        intent.partSizes.push_back(platform::regularFileSize(path).value_or(0));
    if (!platform::syncFolder(root_) || !writeIntent(root_, intent)) {
        result.step = ReplacementResult::Step::NotFlushed;
        result.reason = platform::lastErrorText();
        return result;
    }
    announced_ = true;
    const bool goneBefore = formerGone_;
    result = finishInOrder(added);
    if (result.done()) {
        clearIntent(root_);  // the table says the outcome; a stray intent only tidies up
        return result;
    }
    // A table as it was, and the former game as it was (or gone to make
    // room, as the user agreed): the new parts go, as after any failure.
    const bool tableUnknown = result.table.failedAt(TableRewriteStep::NotFlushed);
    if (!tableUnknown && formerGone_ == goneBefore)
        return result;
    // The former game left the table for this one: the intent knows the way
    // on, since the new parts are complete.
    const Settling settled = settleChange(root_);
    if (settled && settled.value().kind == SettledChange::Kind::Finished) {
        result.step = ReplacementResult::Step::Done;
        return result;
    }
    pending_ = result.pending = !settled || settled.value().kind != SettledChange::Kind::Undone;
    return result;
}

ReplacementResult GameReplacement::finishInOrder(const GameEntry& added) {
    ReplacementResult result;
    auto byName = [this](const GameEntry& entry) { return decide(entry); };
    if (currentPaths_ != partPaths_) {
        // The replaced game leaves the table, then its files go, then the
        // staged parts take their names: the table never names a file that
        // holds another game's bytes.
        RewriteResult cleared = rewriteTable(root_, byName);
        if (!cleared) {
            result.step = ReplacementResult::Step::FormerNotDropped;
            result.table = std::move(cleared);
            return result;
        }
        formerGone_ = true;
        removeDropped(cleared.value().dropped, {}, result.unremoved);
        if (!moveStagedParts(result))
            return result;
        if (!platform::syncFolder(root_)) {
            result.step = ReplacementResult::Step::RenamedNotFlushed;
            result.reason = platform::lastErrorText();
            return result;
        }
    }
    // The former records less those of the name, then the new record, in one
    // atomic table write; until then the drive lists what it listed before.
    RewriteResult rewrite = rewriteTable(root_, byName, std::span<const GameEntry>(&added, 1));
    if (!rewrite) {
        result.step = ReplacementResult::Step::TableNotWritten;
        result.table = std::move(rewrite);
        return result;
    }
    // Now the replaced games' files may go, except the names the new parts use.
    removeDropped(rewrite.value().dropped,
                  std::set<std::string>(partPaths_.begin(), partPaths_.end()), result.unremoved);
    return result;
}

void GameReplacement::discardNewParts() const {
    if (pending_)
        return;
    for (const std::string& path : currentPaths_)
        platform::removeFile(path);
    if (formerGone_) {
        for (std::size_t i = 0; i < partPaths_.size(); ++i) {
            if (currentPaths_[i] != partPaths_[i])
                platform::removeFile(partPaths_[i]);
        }
    }
    withdraw();
}

void GameReplacement::withdraw() const {
    // Once the parts are gone the intent has nothing left to undo.
    if (announced_ && !pending_)
        clearIntent(root_);
}

}  // namespace store
