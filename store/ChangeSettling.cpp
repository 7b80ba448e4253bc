#include "store/ChangeSettling.h"

#include <algorithm>
#include <set>
#include <vector>

#include "platform/FaultPoint.h"
#include "platform/FileTransfer.h"
#include "platform/Files.h"
#include "platform/Volume.h"
#include "report/ShownText.h"
#include "store/ChangeIntent.h"
#include "store/DriveRoot.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"
#include "store/TableRewrite.h"

namespace store {

using namespace platform;
using namespace report;

namespace {

using Kind = SettledChange::Kind;

bool holds(const std::vector<GameEntry>& records, const GameEntry& record) {
    return std::find(records.begin(), records.end(), record) != records.end();
}

std::set<std::string> ownedBy(const std::string& root, const std::vector<GameEntry>& records) {
    std::set<std::string> owned;
    for (const GameEntry& entry : records) {
        for (const std::string& path : partFilesOf(root, entry).paths)
            owned.insert(path);
    }
    return owned;
}

// What one settling step did: the first file that could not be changed, and why.
struct Steps {
    const std::string& root;
    std::string object;
    std::string error;
    bool tableFlushed = false;
    bool stopped = false;
    bool ok() const { return !stopped; }
    void failed(const std::string& what) { stop(what, platform::lastErrorText()); }
    void stop(const std::string& what, const std::string& why) {
        if (ok()) {
            object = what;
            error = why;
        }
        stopped = true;
    }
    // Removes the files of `records` that the table does not own, each
    // record's last part first; after one that stays, those before it stay.
    void removeUnowned(const std::vector<GameEntry>& records, const std::set<std::string>& owned) {
        // The table that no longer names them may not be on the device yet
        // (a stop between its rename and its folder's flush): it goes first.
        if (ok() && !tableFlushed && !platform::syncFolder(root))
            failed(root);
        tableFlushed = ok();
        for (const GameEntry& entry : records) {
            const std::vector<std::string> paths = partFilesOf(root, entry).paths;
            for (auto it = paths.rbegin(); it != paths.rend() && ok(); ++it) {
                if (owned.count(*it) == 0 && platform::pathTaken(*it) && !platform::removeFile(*it))
                    failed(*it);
            }
        }
    }
    void rewrite(const std::string& name, std::span<const GameEntry> append) {
        if (!ok())
            return;
        RewriteResult written = rewriteTable(
            root,
            [&](const GameEntry& entry) {
                return entry.DisplayName() == name ? RecordDecision::Drop : RecordDecision::Keep;
            },
            append);
        if (!written)
            stop(tablePath(root), written.failure().reason);
    }
};

std::vector<GameEntry> tableRecords(const std::string& root) {
    return readTableFile(tablePath(root)).records;
}

// The new parts: where each was written, and whether each is complete.
struct NewParts {
    std::vector<std::string> finalPaths;
    std::vector<std::string> writePaths;  // staged where a replaced record owned the name
    bool staged = false;                  // a part still stands under its staged name
    bool complete = true;
};

NewParts newPartsOf(const std::string& root, const ChangeIntent& intent) {
    NewParts parts;
    parts.finalPaths = partFilesOf(root, intent.after[0]).paths;
    const std::set<std::string> replaced = ownedBy(root, intent.before);
    for (std::size_t i = 0; i < parts.finalPaths.size(); ++i) {
        const std::string& path = parts.finalPaths[i];
        const std::string staged = stagedPartPath(path);
        const bool stillStaged = replaced.count(path) != 0 && platform::regularFileSize(staged);
        parts.staged = parts.staged || stillStaged;
        parts.writePaths.push_back(replaced.count(path) != 0 ? staged : path);
        const std::optional<std::uint64_t> size =
            platform::regularFileSize(stillStaged ? staged : path);
        parts.complete = parts.complete && intent.phase == ChangeIntent::Phase::Complete &&
                         i < intent.partSizes.size() && size == intent.partSizes[i];
    }
    return parts;
}

// The new parts complete: the replaced records leave the table, their files
// go, the staged parts take their names, then the table takes the new record.
Kind replaceForward(Steps& steps, const ChangeIntent& intent, const NewParts& parts) {
    const GameEntry& added = intent.after[0];
    const std::string name = added.DisplayName();
    std::vector<GameEntry> records = tableRecords(steps.root);
    auto ofName = [&](const GameEntry& entry) { return entry.DisplayName() == name; };
    if (parts.staged) {
        if (std::any_of(records.begin(), records.end(), ofName))
            steps.rewrite(name, {});
        records = tableRecords(steps.root);
        // The new parts' own names are taken over by the moves below: a
        // part moved already holds the new bytes there.
        std::set<std::string> spared = ownedBy(steps.root, records);
        spared.insert(parts.finalPaths.begin(), parts.finalPaths.end());
        if (steps.ok())
            steps.removeUnowned(intent.before, spared);
        for (std::size_t i = 0; i < parts.finalPaths.size() && steps.ok(); ++i) {
            if (parts.writePaths[i] != parts.finalPaths[i] &&
                platform::regularFileSize(parts.writePaths[i]) &&
                platform::replaceFile(parts.writePaths[i], parts.finalPaths[i]) !=
                    platform::Replacement::Replaced)
                steps.failed(parts.finalPaths[i]);
        }
    }
    const bool recorded = std::count_if(records.begin(), records.end(), ofName) == 1 &&
                          holds(records, added) && !parts.staged;
    if (!recorded)
        steps.rewrite(name, std::span<const GameEntry>(&added, 1));
    if (steps.ok())
        steps.removeUnowned(intent.before, ownedBy(steps.root, tableRecords(steps.root)));
    return Kind::Finished;
}

// The new parts incomplete: they go, and whatever the table does not own of
// the records it replaces (gone already to make room).
Kind replaceBack(Steps& steps, const ChangeIntent& intent, const NewParts& parts) {
    const std::set<std::string> owned = ownedBy(steps.root, tableRecords(steps.root));
    for (std::size_t i = parts.finalPaths.size(); i-- > 0 && steps.ok();) {
        for (const std::string& path : {stagedPartPath(parts.finalPaths[i]), parts.finalPaths[i]}) {
            if (owned.count(path) == 0 && platform::pathTaken(path) && !platform::removeFile(path))
                steps.failed(path);
        }
    }
    steps.removeUnowned(intent.before, owned);
    return Kind::Undone;
}

Kind settleDelete(Steps& steps, const ChangeIntent& intent) {
    const std::vector<GameEntry> records = tableRecords(steps.root);
    if (std::any_of(intent.before.begin(), intent.before.end(),
                    [&](const GameEntry& entry) { return holds(records, entry); }))
        return Kind::Undone;  // the table never let them go
    steps.removeUnowned(intent.before, ownedBy(steps.root, records));
    return Kind::Finished;
}

// The parts move before the table takes the new name: until it has, every
// moved part goes back.
Kind settleRename(Steps& steps, const ChangeIntent& intent) {
    const std::vector<GameEntry> records = tableRecords(steps.root);
    if (std::all_of(intent.after.begin(), intent.after.end(),
                    [&](const GameEntry& entry) { return holds(records, entry); }))
        return Kind::Finished;
    const std::set<std::string> owned = ownedBy(steps.root, records);
    bool moved = false;
    for (std::size_t r = 0; r < intent.before.size(); ++r) {
        const std::vector<std::string> from = partFilesOf(steps.root, intent.before[r]).paths;
        const std::vector<std::string> to = partFilesOf(steps.root, intent.after[r]).paths;
        for (std::size_t i = 0; i < from.size() && i < to.size() && steps.ok(); ++i) {
            if (platform::pathTaken(from[i]) || owned.count(to[i]) != 0 ||
                !platform::regularFileSize(to[i]))
                continue;
            if (platform::renameNoReplace(to[i], from[i]) != platform::RenameResult::Renamed)
                steps.failed(to[i]);
            moved = true;
        }
    }
    if (moved && steps.ok() && !platform::syncFolder(steps.root))
        steps.failed(steps.root);
    return Kind::Undone;
}

Kind settle(Steps& steps, const ChangeIntent& intent) {
    switch (intent.kind) {
        case ChangeIntent::Kind::Replace: {
            const NewParts parts = newPartsOf(steps.root, intent);
            return parts.complete ? replaceForward(steps, intent, parts)
                                  : replaceBack(steps, intent, parts);
        }
        case ChangeIntent::Kind::Delete:
            return settleDelete(steps, intent);
        case ChangeIntent::Kind::Rename:
            break;
    }
    return settleRename(steps, intent);
}

// What the person is told when the files of the change of `name` cannot be settled.
Failure<SettlingStep> notSettled(const std::string& name, const std::string& object,
                                 const std::string& why) {
    return {SettlingStep::Files, object,
            "A change of the game " + escapeControls(name) +
                " that stopped before its end cannot be finished (" +
                escapeControls(object + ": " + why) + "); nothing else was changed."};
}

Failure<SettlingStep> notRead(const std::string& object) {
    return {SettlingStep::Read, object,
            "A change that stopped before its end cannot be finished: " +
                std::string("the game table or ") + kIntentName + " cannot be read."};
}

}  // namespace

Settling settleChange(const std::string& root) {
    if (!intentPending(root))
        return SettledChange{};
    const std::optional<ChangeIntent> intent = readIntent(root);
    const TableContents table = readTableFile(tablePath(root));
    if (!intent) {
        // Only a file this program wrote in full is acted on; a stopped
        // write of one leaves no intent, and anything else is not ours.
        if (platform::pathTaken(intentPath(root)) && !platform::regularFileSize(intentPath(root)))
            return notRead(intentPath(root));
        if (!clearIntent(root))
            return notSettled({}, intentPath(root), platform::lastErrorText());
        return SettledChange{};
    }
    SettledChange settled;
    settled.name =
        intent->before.empty() ? intent->after[0].DisplayName() : intent->before[0].DisplayName();
    if (table.exists && !table.opened)
        return notRead(tablePath(root));
    Steps steps{root, {}, {}, false, false};
    settled.kind = settle(steps, *intent);
    if (steps.ok() && !clearIntent(root))
        steps.failed(intentPath(root));
    if (!steps.ok())
        return notSettled(settled.name, steps.object, steps.error);
    return settled;
}

std::string settlingText(const Settling& settling) {
    if (!settling)
        return settling.failure().reason;
    const std::string& name = settling.value().name;
    switch (settling.value().kind) {
        case Kind::None:
            break;
        case Kind::Finished:
            return "A change of the game " + escapeControls(name) +
                   " that stopped before its end was finished.";
        case Kind::Undone:
            return "A change of the game " + escapeControls(name) +
                   " that stopped before its end was undone.";
    }
    return {};
}

}  // namespace store
