#include "library/GameDeletion.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <vector>

#include "library/GameFiles.h"
#include "library/ShownFailure.h"
#include "library/StrayParts.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "store/ChangeIntent.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"
#include "store/TableRewrite.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

namespace {

std::string tableNotReadable(const std::string& root, const TableContents& table) {
    return tableNotReadText(tablePath(root), table) + "; nothing was deleted.";
}

std::string tableNotReadable(const std::string& root, const std::string& problem) {
    TableContents table;
    table.problem = problem;
    return tableNotReadText(tablePath(root), table) + "; nothing was deleted.";
}

// Removes the dropped games' parts but those in `keptPaths` (another game's
// files of the same name); returns a line for each part that stays. The last
// part goes first, and after one that cannot the parts before it stay: a stop
// leaves part .00 with the rest, whose volume they fall short of, and the
// check knows them for what a deletion left.
std::vector<std::string> removeParts(const std::string& root, const std::vector<GameEntry>& dropped,
                                     const std::set<std::string>& keptPaths) {
    std::vector<std::string> leftOver;
    for (const GameEntry& entry : dropped) {
        bool kept = false;
        const std::vector<std::string> paths = partFilesOf(root, entry).paths;
        for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
            if (keptPaths.count(*it) != 0)
                continue;
            if (kept) {
                leftOver.push_back(*it + ": kept with the part after it");
            } else if (!platform::removeFile(*it)) {
                leftOver.push_back(*it + ": " + platform::lastErrorText());
                kept = true;
            }
        }
    }
    return leftOver;
}

}  // namespace

DeleteResult deleteGame(const std::string& root, const std::string& name,
                        const FrontEnd& frontEnd) {
    const DriveAccess changing = accessForChange(root, frontEnd);
    if (!changing.granted())
        return Failure<DeleteStep>{DeleteStep::Failed, root, changing.outcome.failure().reason};
    // Look before writing: a name that no record carries changes nothing.
    TableContents table = readTableFile(tablePath(root));
    if (!table.changeable())
        return shownFailure(frontEnd, DeleteStep::Failed, tablePath(root),
                            tableNotReadable(root, table));
    if (std::none_of(table.records.begin(), table.records.end(),
                     [&](const GameEntry& entry) { return hasName(entry, name); })) {
        // A deletion that stopped after the table let the game go left its
        // files under the name's hash: running it again finishes it.
        const std::string hash = hashText(gameNameHash(name));
        std::vector<std::string> leftOver;
        for (const std::string& path :
             unownedPartFiles(root, ownedPartFiles(root, table.records))) {
            std::optional<PartFileName> part = parsePartFileName(path.substr(root.size()));
            if (part && !part->staged && part->hash == hash)
                leftOver.push_back(path);
        }
        // A deletion of this name that had stopped was finished just now.
        if (leftOver.empty() && changing.settled &&
            changing.settled.value().kind == SettledChange::Kind::Finished &&
            changing.settled.value().name == name)
            return {};
        if (leftOver.empty())
            return shownFailure(frontEnd, DeleteStep::NotFound, name, gameNotFoundText(name));
        std::string text =
            "The game " + name + " is not in the table; the files it left behind were deleted:";
        std::reverse(leftOver.begin(), leftOver.end());  // part .00 last, as below
        for (const std::string& path : leftOver) {
            text += "\n" + path;
            if (!platform::removeFile(path))
                text += ": " + platform::lastErrorText();
        }
        frontEnd.boxes.show(text);
        return {};
    }

    // The intent names the records that go, so that a deletion stopped after
    // the table let them go still removes their files.
    ChangeIntent intent;
    intent.kind = ChangeIntent::Kind::Delete;
    std::copy_if(table.records.begin(), table.records.end(), std::back_inserter(intent.before),
                 [&](const GameEntry& entry) { return hasName(entry, name); });
    if (!writeIntent(root, intent))
        return shownFailure(frontEnd, DeleteStep::Failed, root,
                            "The drive " + root + " cannot be written (" +
                                platform::lastErrorText() + "); nothing was deleted.");
    std::set<std::string> keptPaths;
    RewriteResult rewrite = rewriteTable(root, [&](const GameEntry& entry) {
        if (hasName(entry, name))
            return RecordDecision::Drop;
        for (const std::string& path : partFilesOf(root, entry).paths)
            keptPaths.insert(path);
        return RecordDecision::Keep;
    });
    if (rewrite.failedAt(TableRewriteStep::NotOpened))
        return shownFailure(frontEnd, DeleteStep::Failed, tablePath(root),
                            tableNotReadable(root, rewrite.failure().reason));
    if (!rewrite.succeeded() && !rewrite.failedAt(TableRewriteStep::NotFlushed))
        clearIntent(root);  // the table is as it was
    if (rewrite.failedAt(TableRewriteStep::NotFlushed))
        return shownFailure(frontEnd, DeleteStep::Failed, tablePath(root),
                            tableNotFlushedText(tablePath(root), rewrite.failure().reason) +
                                "; the game's files were left on the drive.");
    if (!rewrite.succeeded())
        return shownFailure(frontEnd, DeleteStep::Failed, tablePath(root),
                            "The game table " + tablePath(root) + " cannot be rewritten (" +
                                rewrite.failure().reason + "); nothing was deleted.");

    const std::vector<std::string> leftOver = removeParts(root, rewrite.value().dropped, keptPaths);
    if (leftOver.empty())
        clearIntent(root);
    if (!leftOver.empty()) {
        std::string text = "The game " + name + " was deleted, but these files could not be:";
        for (const std::string& path : leftOver)
            text += "\n" + path;
        frontEnd.boxes.show(text);
    }
    return {};
}

DeleteResult confirmAndDeleteGame(const std::string& root,
                                  const std::optional<std::string>& selected,
                                  const FrontEnd& frontEnd) {
    if (!requireSelection(selected, frontEnd))
        return Failure<DeleteStep>{DeleteStep::NoSelection, {}, kSelectGameText};
    if (!frontEnd.boxes.ask("Delete Game " + *selected + "?"))
        return Failure<DeleteStep>{DeleteStep::Declined, *selected, {}};
    return deleteGame(root, *selected, frontEnd);
}

}  // namespace library
