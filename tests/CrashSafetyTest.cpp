// Every command that changes a drive is stopped at each of its file
// operations in turn, as a kill, a power cut or a failing device would stop
// it. After each stop every record in the table must be either a record from
// before, with its own part files as they were, or the command's new record
// with all its part files complete and flushed; and running the same command
// again must finish the job.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <typeinfo>

#include "FakeDisc.h"
#include "GameDrive.h"
#include "KernelFlushes.h"
#include "ScopedFault.h"
#include "ScriptedFrontEnd.h"
#include "StopSample.h"
#include "Symlink.h"
#include "install/InstallCommand.h"
#include "library/DriveCheck.h"
#include "library/GameCopy.h"
#include "library/GameDeletion.h"
#include "library/GameExport.h"
#include "library/GameList.h"
#include "library/GameRename.h"
#include "library/PartFragments.h"
#include "store/ChangeIntent.h"

using namespace install;
using namespace library;
using namespace store;
using namespace platform;
using namespace report;

namespace {

using platform::FileOp;
using Bytes = std::vector<std::uint8_t>;
using Files = std::map<std::string, Bytes>;  // path -> contents
const std::string kId = "ABCD_123.45";

std::string folderOf(const std::string& path) {
#ifdef _WIN32
    const std::size_t end = path.find_last_of("/\\");  // a folder outside a drive: C:\x\y
#else
    const std::size_t end = path.rfind('/');
#endif
    return end == std::string::npos ? std::string() : path.substr(0, end) + '/';
}

// The platform double: lets operations through until the `stopAt`-th, which
// fails, and with `kill` every one after it too (the process is gone). From
// the flushes that the kernel really made it follows which files hold data,
// and which names and removals, that have not reached the device; it notes
// every table put in place while it names such a file, every part of the
// former table removed before the new table's name reached the device, and a
// success reported before that or before a removal reached the device. As
// Linux's vfat does, a renamed file's entry holds its size and first cluster
// only once the file itself (or its whole file system) is flushed after the
// rename: a folder flushed before that would keep the file 0 bytes long.
class FaultWalker {
  public:
    FaultWalker(long stopAt, bool kill) : stopAt_(stopAt), kill_(kill) {}

    bool operator()(FileOp op, const std::string& path, const std::string& other) {
        catchUp();
        const long index = count_++;
        if (index == stopAt_)
            stopped = true;
        if (index == stopAt_ || (stopped && kill_))
            return false;
        switch (op) {
            case FileOp::Open:
                dirty.insert(path);
                unsyncedNames.insert(path);
                unsyncedRemovals.erase(path);
                break;
            case FileOp::Write:
                dirty.insert(path);
                break;
            case FileOp::Flush:
                break;  // counted once the kernel did it
            case FileOp::Rename:
                if (other.ends_with("/zt.cfg")) {
                    checkTableNamesOnlyFlushedFiles(path, folderOf(other));
                    table_ = other;
                    for (const GameEntry& entry : readTableFile(other).records) {
                        for (const std::string& part : partFilesOf(folderOf(other), entry).paths)
                            formerParts_.insert(part);
                    }
                }
                if (dirty.erase(path) != 0) {
                    dirty.insert(other);
                } else {
                    dirty.erase(other);
                }
                unsyncedNames.insert(other);
                unwrittenEntries.erase(path);
#ifndef _WIN32
                unwrittenEntries.insert(other);  // Windows writes the entry with the rename
#endif
                break;
            case FileOp::Remove:
                if (formerParts_.count(path) != 0 && unsyncedNames.count(table_) != 0)
                    violations.push_back("removed " + path +
                                         " before the new table reached the device");
                dirty.erase(path);
                unwrittenEntries.erase(path);
                if (std::filesystem::exists(std::filesystem::symlink_status(path)))
                    unsyncedRemovals.insert(path);
                break;
        }
        return true;
    }

    // After the command: a success while the table's name, or a removal the
    // command did not own up to in `told`, may not be on the device is none.
    void finished(bool succeeded, const std::vector<std::string>& told) {
        catchUp();
        if (succeeded && unsyncedNames.count(table_) != 0)
            violations.push_back("success reported before the table's folder was flushed");
        for (const std::string& path : unsyncedRemovals) {
            // An intent that comes back after its table only tidies up.
            if (path.ends_with(kIntentName))
                continue;
            const bool named = std::any_of(told.begin(), told.end(), [&](const std::string& text) {
                return text.find(path) != std::string::npos;
            });
            if (succeeded && !named)
                violations.push_back("success reported before the removal of " + path +
                                     " reached the device");
        }
    }

    long count() const {
        return count_;
    }
    bool stopped = false;
    std::set<std::string> dirty;             // written since its last flush
    std::set<std::string> unsyncedNames;     // created or renamed since its folder's last flush
    std::set<std::string> unsyncedRemovals;  // removed since its folder's last flush
    std::set<std::string> unwrittenEntries;  // renamed since the file's last flush
    std::vector<std::string> violations;

  private:
    void catchUp() {
        for (const std::string& path : kernel_.take()) {
            if (path.starts_with('*')) {
                dirty.clear();
                unsyncedNames.clear();
                unsyncedRemovals.clear();
                unwrittenEntries.clear();
                continue;
            }
            if (path.ends_with('/')) {
                auto inFolder = [&](const std::string& name) { return folderOf(name) == path; };
                for (const std::string& name : unwrittenEntries) {
                    if (inFolder(name))
                        violations.push_back("folder flushed while the entry of the renamed " +
                                             name + " was not written: it would be empty");
                }
                std::erase_if(unsyncedNames, inFolder);
                std::erase_if(unsyncedRemovals, inFolder);
            } else {
                dirty.erase(path);
                unwrittenEntries.erase(path);
            }
        }
    }

    void checkTableNamesOnlyFlushedFiles(const std::string& temp, const std::string& root) {
        if (dirty.count(temp) != 0)
            violations.push_back("table put in place unflushed");
        for (const GameEntry& entry : readTableFile(temp).records) {
            for (const std::string& part : partFilesOf(root, entry).paths) {
                if (dirty.count(part) != 0 || unsyncedNames.count(part) != 0 ||
                    unwrittenEntries.count(part) != 0)
                    violations.push_back("table names the unflushed " + part);
            }
        }
    }

    long stopAt_;
    bool kill_;
    long count_ = 0;
    KernelFlushes kernel_;
    std::string table_;                  // the table, once a new one was put in place
    std::set<std::string> formerParts_;  // the parts that a former table named
};

Files filesOf(const GameDrive& drive) {
    Files files;
    for (const std::string& name : drive.files())
        files[drive.root() + name] = readBytes(drive.root() + name);
    return files;
}

// One command on fresh drives: how to set them up, run it, and what it should leave.
struct Scenario {
    virtual ~Scenario() = default;
    // Runs the command, answering Yes to every question; true on success.
    virtual bool run(ScriptedFrontEnd& ui) = 0;
    // The drive the command changes.
    virtual GameDrive& drive() = 0;
    // The records the command adds, with the contents their parts must hold.
    virtual std::vector<GameEntry> newRecords() = 0;
    virtual Files newFiles() = 0;
    // What the table holds once the command has succeeded, in order.
    virtual std::vector<std::string> finalNames() = 0;
    // Whether the drive check alone can leave the drive as the command
    // would have: a deletion whose record left needs nothing more.
    virtual bool finishedByCheck() { return false; }
    // Rename may stop with a record's parts under either name hash: a
    // stopped rename is finished by running it again.
    virtual bool partsMayBeUnder(const GameEntry&, std::string&) { return false; }
    // Whether a stop must leave, once the drive is next opened, the records
    // from before or the command's, by name and media type: none lost, none
    // recorded again under a guessed name.
    virtual bool judgedByName() { return false; }
};

using NameAndMedia = std::multiset<std::pair<std::string, std::uint32_t>>;

NameAndMedia namesAndMedia(const std::vector<GameEntry>& records) {
    NameAndMedia set;
    for (const GameEntry& entry : records)
        set.insert({entry.DisplayName(), entry.MediaType()});
    return set;
}

std::string shown(const NameAndMedia& set) {
    std::string text;
    for (const auto& [name, media] : set)
        text += " " + name + (media == kMediaDvd ? " (DVD)" : media == kMediaCd ? " (CD)" : " (?)");
    return text;
}

// The table holds the records from before, or those from before less the
// game of the command's name plus the command's own: "My Game" in each.
void expectOldOrNewByName(Scenario& scenario, const std::vector<GameEntry>& recordsBefore,
                          const std::string& where) {
    if (!scenario.judgedByName())
        return;
    std::vector<GameEntry> after;
    std::copy_if(recordsBefore.begin(), recordsBefore.end(), std::back_inserter(after),
                 [](const GameEntry& entry) { return entry.DisplayName() != "My Game"; });
    for (const GameEntry& entry : scenario.newRecords())
        after.push_back(entry);
    const NameAndMedia now = namesAndMedia(scenario.drive().records());
    EXPECT_TRUE(now == namesAndMedia(recordsBefore) || now == namesAndMedia(after))
        << where << ": the table holds" << shown(now)
        << "; before:" << shown(namesAndMedia(recordsBefore))
        << ", after:" << shown(namesAndMedia(after));
}

// A view that keeps nothing: the listing is run for what it settles.
struct NoView : GameListView {
    void clear() override {}
    void appendRow(const GameRow&) override {}
};

// A game that the drive check found whole without a record, recorded again.
bool isRecovered(const std::string& name) {
    return name.rfind("Recovered ", 0) == 0;
}

bool holdsOneOf(const std::string& path, const Files& files) {
    if (std::filesystem::is_symlink(path) || !std::filesystem::is_regular_file(path))
        return false;
    const Bytes bytes = readBytes(path);
    return std::any_of(files.begin(), files.end(),
                       [&](const auto& file) { return file.second == bytes; });
}

// Checks the rule after a stop; `before` is the drive as it was.
// Once the drive was opened again after a stop (`opened`), a game judged by
// name has all its parts under its own name.
void expectEveryRecordWhole(Scenario& scenario, const Files& before,
                            const std::vector<GameEntry>& recordsBefore, const FaultWalker& walker,
                            const std::string& where, bool opened = false) {
    GameDrive& drive = scenario.drive();
    const std::vector<GameEntry> added = scenario.newRecords();
    const Files expectedNew = scenario.newFiles();
    auto partIsAsIn = [&](const std::string& path, const Files& files) {
        auto it = files.find(path);
        return it != files.end() && !std::filesystem::is_symlink(path) &&
               std::filesystem::is_regular_file(path) && readBytes(path) == it->second &&
               walker.dirty.count(path) == 0;
    };
    for (const GameEntry& record : drive.records()) {
        const std::vector<std::string> paths = partFilesOf(drive.root(), record).paths;
        const bool old =
            std::find(recordsBefore.begin(), recordsBefore.end(), record) != recordsBefore.end();
        const bool isNew = std::find(added.begin(), added.end(), record) != added.end();
        bool whole = false;
        if (old) {
            whole = std::all_of(paths.begin(), paths.end(),
                                [&](const std::string& path) { return partIsAsIn(path, before); });
            std::string otherPath;
            if (!whole && !(opened && scenario.judgedByName()) &&
                scenario.partsMayBeUnder(record, otherPath)) {
                whole = true;
                for (std::size_t i = 0; i < paths.size(); ++i) {
                    std::string moved = *partFilePath(otherPath, static_cast<int>(i));
                    Files renamed{{moved, before.at(paths[i])}};
                    whole = whole && (partIsAsIn(paths[i], before) || partIsAsIn(moved, renamed));
                }
            }
        }
        if (!whole && isNew) {
            whole = std::all_of(paths.begin(), paths.end(), [&](const std::string& path) {
                return partIsAsIn(path, expectedNew);
            });
        }
        if (!whole && isRecovered(record.DisplayName())) {
            // The drive check recorded a whole game again: its parts hold
            // what a part of the command's game or of a game from before held.
            whole = std::all_of(paths.begin(), paths.end(), [&](const std::string& path) {
                return walker.dirty.count(path) == 0 &&
                       (holdsOneOf(path, before) || holdsOneOf(path, expectedNew));
            });
        }
        EXPECT_TRUE(whole) << where << ": record " << record.DisplayName()
                           << (old     ? " (from before)"
                               : isNew ? " (new)"
                                       : " (unknown)")
                           << " is not whole";
    }
}

// `told`: what the command showed; a file it could not remove may stay when
// one of those texts names it.
void expectFinished(Scenario& scenario, const std::string& where,
                    const std::vector<std::string>& told = {}) {
    GameDrive& drive = scenario.drive();
    // A game the drive check recorded again after a stop stays.
    std::vector<std::string> names = drive.names();
    const std::vector<std::string> finalNames = scenario.finalNames();
    std::erase_if(names, [&](const std::string& name) {
        return isRecovered(name) &&
               std::find(finalNames.begin(), finalNames.end(), name) == finalNames.end();
    });
    EXPECT_EQ(names, finalNames) << where;
    // Nothing is left over: the table and its records' parts, and nothing else.
    std::set<std::string> expected{"zt.cfg"};
    for (const GameEntry& record : drive.records()) {
        for (const std::string& path : partFilesOf(drive.root(), record).paths)
            expected.insert(path.substr(drive.root().size()));
    }
    std::set<std::string> files;
    for (const std::string& name : drive.files()) {
        if (name == kIntentName)
            continue;  // its table says the outcome: the next opening of the drive takes it away
        const bool named = std::any_of(told.begin(), told.end(), [&](const std::string& text) {
            return text.find(drive.root() + name) != std::string::npos;
        });
        if (!named || expected.count(name) != 0)
            files.insert(name);
    }
    EXPECT_EQ(files, expected) << where;
    for (const auto& [path, bytes] : scenario.newFiles())
        EXPECT_EQ(readBytes(path), bytes) << where << ": " << path;
}

// The drive holds what the command leaves: its table and their part files, no more.
bool isFinished(Scenario& scenario) {
    GameDrive& drive = scenario.drive();
    std::set<std::string> expected{"zt.cfg"};
    for (const GameEntry& record : drive.records()) {
        for (const std::string& path : partFilesOf(drive.root(), record).paths)
            expected.insert(path.substr(drive.root().size()));
    }
    const std::vector<std::string> files = drive.files();
    const Files newFiles = scenario.newFiles();
    return drive.names() == scenario.finalNames() &&
           std::set<std::string>(files.begin(), files.end()) == expected &&
           std::all_of(newFiles.begin(), newFiles.end(),
                       [](const auto& file) { return readBytes(file.first) == file.second; });
}

// Nothing on the drive but the table and its records' part files.
void expectTidy(GameDrive& drive, const std::string& where) {
    std::set<std::string> expected{"zt.cfg"};
    for (const GameEntry& record : drive.records()) {
        for (const std::string& path : partFilesOf(drive.root(), record).paths)
            expected.insert(path.substr(drive.root().size()));
    }
    std::vector<std::string> files = drive.files();
    EXPECT_EQ(std::set<std::string>(files.begin(), files.end()), expected) << where;
}

// Runs the drive check until it finds the drive sound: a check that rebuilds
// an unreadable table leaves the rest for the next one.
void checkUntilSound(const std::string& root, const std::string& where) {
    for (int run = 0; run < 3; ++run) {
        ScriptedFrontEnd ui;
        ui.boxes.answers = {true};
        const DriveCheckResult result = checkAndRepairDrive(root, ui.frontEnd());
        EXPECT_TRUE(result.succeeded()) << where;
        if (!endedAs(result, DriveCheckKind::Repaired))
            break;
    }
    EXPECT_TRUE(checkDrive(root).sound()) << where << ", checked";
    EXPECT_FALSE(intentPending(root)) << where << ", checked";
}

enum class Stop {
    Kill,           // the process is gone; the drive is listed, then the command is run again
    Fail,           // one operation fails; the command goes on
    KillThenCheck,  // the process is gone; the drive check repairs, then the command runs again
    KillThenWrite,  // the process is gone; another command opens the drive to change it
};

// What comes after a kill opens the drive: a listing, or another command
// that changes it (a deletion of a game the drive does not hold).
void openAfterKill(Stop mode, const std::string& root) {
    ScriptedFrontEnd ui;
    if (mode == Stop::Kill) {
        NoView view;
        refreshGameList(root, ui.frontEnd(), view);
    } else if (mode == Stop::KillThenWrite) {
        EXPECT_TRUE(deleteGame(root, "Nobody", ui.frontEnd()).failedAt(DeleteStep::NotFound));
    }
}

// The stops of a walk: every operation, but under Wine (where each stop
// costs a second or more) a sample of about 25 unless ZT_FULL_WALK=1.
template <class S>
StopSample stopsOf() {
#ifdef _WIN32
    if (!fullWalk()) {
        std::vector<std::string> kinds;
        S scenario;
        ScriptedFrontEnd ui;
        {
            ScopedFault fault([&](FileOp op, const std::string& path, const std::string& to) {
                kinds.push_back(operationKind(op, path, to));
                return true;
            });
            scenario.run(ui);
        }
        return StopSample(kinds, 25);
    }
#endif
    return StopSample();
}

// Walks the stop over every file operation of the command, as a kill, as one
// failing operation that the command survives, and as a kill that the drive
// check mends. Returns how many operations the command makes.
template <class S>
long walkEveryStop() {
    long total = 0;
    const StopSample stops = stopsOf<S>();
    for (Stop mode : {Stop::Kill, Stop::Fail, Stop::KillThenCheck, Stop::KillThenWrite}) {
        if (mode == Stop::KillThenWrite && !S().judgedByName())
            continue;
        const bool kill = mode != Stop::Fail;
        for (long stop = stops.first();; stop = stops.after(stop)) {
            S scenario;
            const Files before = filesOf(scenario.drive());
            const std::vector<GameEntry> recordsBefore = scenario.drive().records();
            FaultWalker walker(stop, kill);
            ScriptedFrontEnd ui;
            bool done;
            {
                ScopedFault fault([&](FileOp op, const std::string& path, const std::string& to) {
                    return walker(op, path, to);
                });
                done = scenario.run(ui);
            }
            walker.finished(done, ui.boxes.shown);
            const std::string where = std::string(kill ? "killed" : "failed") + " at operation " +
                                      std::to_string(stop) +
                                      (mode == Stop::Kill            ? ", listed"
                                       : mode == Stop::KillThenWrite ? ", then another change"
                                                                     : "");
            EXPECT_TRUE(walker.violations.empty()) << where << ": " << walker.violations[0];
            if (!walker.stopped) {
                EXPECT_TRUE(done) << where;
                expectFinished(scenario, where);
                total = walker.count();
                break;
            }
            if (!done)
                openAfterKill(mode, scenario.drive().root());
            expectEveryRecordWhole(scenario, before, recordsBefore, walker, where,
                                   !done && mode != Stop::Fail && mode != Stop::KillThenCheck);
            if (mode != Stop::KillThenCheck)  // judged once the check opened the drive
                expectOldOrNewByName(scenario, recordsBefore, where);
            if (done) {
                // The job got done; what it could not tidy up it named, and
                // the drive check takes it away.
                expectFinished(scenario, where, ui.boxes.shown);
                checkUntilSound(scenario.drive().root(), where);
                expectFinished(scenario, where + ", checked");
                continue;
            }
            if (mode == Stop::KillThenCheck) {
                checkUntilSound(scenario.drive().root(), where);
                expectEveryRecordWhole(scenario, before, recordsBefore, walker, where + ", checked",
                                       true);
                expectOldOrNewByName(scenario, recordsBefore, where + ", checked");
                expectTidy(scenario.drive(), where + ", checked");
                // A game the check recorded again holds the command's bytes
                // (checked above): the command need not, and may have no
                // room to, run again.
                const std::vector<std::string> names = scenario.drive().names();
                const std::vector<std::string> wanted = scenario.finalNames();
                EXPECT_TRUE(std::any_of(wanted.begin(), wanted.end(), isRecovered) ||
                            std::none_of(names.begin(), names.end(), isRecovered))
                    << where << ", checked: a game recorded under a guessed name";
                if (scenario.finishedByCheck() ||
                    std::any_of(names.begin(), names.end(), isRecovered))
                    continue;
            }
            // A command whose change is complete but whose last flush failed
            // said so; there is nothing left to run again.
            if (isFinished(scenario))
                continue;
            ScriptedFrontEnd again;
            bool rerun = scenario.run(again);
            // A replacement stopped after its table let the former game go
            // leaves that game's files at the new parts' names, owned by no
            // record: the command run again leaves them to the drive's check,
            // and runs after it.
            if (!rerun && std::any_of(again.boxes.shown.begin(), again.boxes.shown.end(),
                                      [](const std::string& text) {
                                          return text.find("zt_games check --yes") !=
                                                 std::string::npos;
                                      })) {
                checkUntilSound(scenario.drive().root(), where + ", refused");
                ScriptedFrontEnd afterCheck;
                rerun = scenario.run(afterCheck);
            }
            EXPECT_TRUE(rerun) << where << ": the command run again failed";
            expectFinished(scenario, where + ", run again");
        }
    }
    return total;
}

// Installs from a disc of 700 sectors, answering Yes.
struct InstallScenario : Scenario {
    InstallScenario() { target.addGame("Other", "OTHE_000.01", {100, 200}); }
    bool run(ScriptedFrontEnd& ui) override {
        ui.boxes.answers = {true, true, true};
        FrontEnd frontEnd = ui.frontEnd();
        InstallCommand command(frontEnd, fakeOpener(disc), [this](const std::string&) {
            return std::optional<std::uint64_t>(capacity - usedBytes());
        });
        return command.run({"", "fake", target.root(), "My Game", "DVD"}) == 1;
    }
    GameDrive& drive() override { return target; }
    std::vector<GameEntry> newRecords() override { return {gameRecord("My Game", kId, 1, true)}; }
    Files newFiles() override {
        Bytes image;
        for (std::int64_t s = 0; s < disc->sectors; ++s) {
            Bytes sector = disc->sector(s);
            image.insert(image.end(), sector.begin(), sector.end());
        }
        return {{target.part("My Game", kId, 0), image}};
    }
    std::vector<std::string> finalNames() override { return {"Other", "My Game"}; }

    std::uint64_t usedBytes() const {
        std::uint64_t used = 0;
        for (const std::string& name : target.files())
            used += std::filesystem::file_size(target.root() + name);
        return used;
    }

    GameDrive target;
    std::shared_ptr<FakeDisc> disc = makeGameDisc(700);
    std::uint64_t capacity = std::uint64_t{1} << 40;
};

// Replaces an older game of the same name and game ID: the new part takes
// the name of the old one's part .00.
struct ReplacingInstallScenario : InstallScenario {
    ReplacingInstallScenario() { target.addGame("My Game", kId, {300, 400, 500}, 'o'); }
    bool judgedByName() override { return true; }
};

// The same when only the older game's room lets the new one fit.
struct RoomMakingInstallScenario : ReplacingInstallScenario {
    RoomMakingInstallScenario() { capacity = usedBytes() + 700 * 2048 - 1; }
    // The user agreed to lose the former game first: it may be gone with no new one.
    bool judgedByName() override { return false; }
};

// Copies a game of three parts to a drive that holds another game.
struct CopyScenario : Scenario {
    CopyScenario() {
        source.addGame("My Game", kId, {1000, 2000, 500}, 'n');
        target.addGame("Other", "OTHE_000.01", {100});
    }
    bool run(ScriptedFrontEnd& ui) override {
        ui.boxes.answers = {true, true};
        return copyGame(source.root(), "My Game", target.root(), ui.frontEnd()).succeeded();
    }
    GameDrive& drive() override { return target; }
    std::vector<GameEntry> newRecords() override { return {source.records()[0]}; }
    Files newFiles() override {
        Files files;
        for (int i = 0; i < 3; ++i)
            files[target.part("My Game", kId, i)] = readBytes(source.part("My Game", kId, i));
        return files;
    }
    std::vector<std::string> finalNames() override { return {"Other", "My Game"}; }

    GameDrive source;
    GameDrive target;
};

// Copies over an older game of the same name and game ID on the target.
struct ReplacingCopyScenario : CopyScenario {
    ReplacingCopyScenario() { target.addGame("My Game", kId, {30, 40}, 'o'); }
    bool judgedByName() override { return true; }
};

struct DeleteScenario : Scenario {
    DeleteScenario() {
        target.addGame("Before", "BEFO_000.01", {10});
        // A whole game, which the drive check would record again if its
        // files outlived its record.
        std::shared_ptr<FakeDisc> disc = makeGameDisc(700);
        Bytes image;
        for (std::int64_t s = 0; s < disc->sectors; ++s) {
            Bytes sector = disc->sector(s);
            image.insert(image.end(), sector.begin(), sector.end());
        }
        writeBytes(target.part("My Game", kId, 0), image);
        target.appendRecord(gameRecord("My Game", kId, 1));
        target.addGame("After", "AFTE_000.01", {10});
    }
    bool run(ScriptedFrontEnd& ui) override {
        return deleteGame(target.root(), "My Game", ui.frontEnd()).succeeded();
    }
    bool finishedByCheck() override { return target.records().size() == 2; }
    bool judgedByName() override { return true; }
    GameDrive& drive() override { return target; }
    std::vector<GameEntry> newRecords() override { return {}; }
    Files newFiles() override { return {}; }
    std::vector<std::string> finalNames() override { return {"Before", "After"}; }

    GameDrive target;
};

struct RenameScenario : Scenario {
    RenameScenario() {
        target.addGame("Before", "BEFO_000.01", {10});
        target.addGame("My Game", kId, {10, 20, 30});
        for (int i = 0; i < 3; ++i)
            contents[i] = readBytes(target.part("My Game", kId, i));
    }
    bool run(ScriptedFrontEnd& ui) override {
        return renameGame(target.root(), "My Game", "Other", ui.frontEnd()).succeeded();
    }
    GameDrive& drive() override { return target; }
    std::vector<GameEntry> newRecords() override {
        GameEntry renamed = gameRecord("My Game", kId, 3);
        renamed.setDisplayName("Other");
        return {renamed};
    }
    Files newFiles() override {
        Files files;
        for (int i = 0; i < 3; ++i)
            files[target.part("Other", kId, i)] = contents[i];
        return files;
    }
    std::vector<std::string> finalNames() override { return {"Before", "Other"}; }
    bool judgedByName() override { return true; }
    bool partsMayBeUnder(const GameEntry& record, std::string& prefix) override {
        if (record.DisplayName() != "My Game")
            return false;
        prefix = partPrefix(target.root(), gameNameHash("Other"), kId);
        return true;
    }

    GameDrive target;
    std::map<int, Bytes> contents;
};

// Checks, until it is sound, a drive whose table is a link: a whole game
// under an install's staged name, and the first sectors of a stopped install.
// An export reads the drive and writes outside it. A kill before the end
// leaves at most its staged image beside the file, which the next export to
// that file removes (one from an earlier kill lies there from the start).
struct ExportScenario : Scenario {
    ExportScenario() {
        target.addGame("My Game", kId, {5000});
        image = readBytes(target.part("My Game", kId, 0));
        writeBytes(out.file("game.iso.zt-Ab12Cd"), Bytes(image.begin(), image.begin() + 3));
    }
    bool run(ScriptedFrontEnd& ui) override {
        ui.boxes.answers = {true};
        return exportGame(target.root(), "My Game", out.file("game.iso"), ui.frontEnd())
                   .succeeded() &&
               std::distance(std::filesystem::directory_iterator(out.path()), {}) == 1;
    }
    GameDrive& drive() override { return target; }
    std::vector<GameEntry> newRecords() override { return {}; }
    Files newFiles() override { return {{out.file("game.iso"), image}}; }
    std::vector<std::string> finalNames() override { return {"My Game"}; }

    GameDrive target;
    TempDir out;
    Bytes image;
};

struct CheckScenario : Scenario {
    CheckScenario() {
        std::filesystem::create_symlink(elsewhere.file("zt.cfg"), target.table());
        for (std::int64_t s = 0; s < disc->sectors; ++s) {
            Bytes sector = disc->sector(s);
            image.insert(image.end(), sector.begin(), sector.end());
        }
        writeBytes(partPrefix(target.root(), gameNameHash("Lost"), kId) + "~new.00", image);
        writeBytes(target.part("Stopped", kId, 0), Bytes(image.begin(), image.begin() + 40960));
    }
    bool run(ScriptedFrontEnd& ui) override {
        for (int run = 0; run < 3; ++run) {
            ui.boxes.answers = {true};
            DriveCheckResult result = checkAndRepairDrive(target.root(), ui.frontEnd());
            if (!endedAs(result, DriveCheckKind::Repaired))
                return endedAs(result, DriveCheckKind::Sound);
        }
        return false;
    }
    GameDrive& drive() override { return target; }
    std::vector<GameEntry> newRecords() override { return {gameRecord(kRecovered, kId, 1)}; }
    Files newFiles() override { return {{target.part(kRecovered, kId, 0), image}}; }
    std::vector<std::string> finalNames() override { return {kRecovered}; }

    const std::string kRecovered = "Recovered " + kId;
    TempDir elsewhere;
    GameDrive target;
    std::shared_ptr<FakeDisc> disc = makeGameDisc(700);
    Bytes image;
};

// What `frag --yes` does on a drive whose parts are all in pieces: it finishes
// what a stopped rewrite left, then copies each part anew and puts the copy
// in its place, here on a file system that replaces a file in one step.
struct FragScenario : Scenario {
    FragScenario() {
        target.addGame("Other", "OTHE_000.01", {100});
        target.addGame("My Game", kId, {1000, 2000});
        for (const std::string& name : partFilesAt(target.root()).names)
            contents[target.root() + name] = readBytes(target.root() + name);
    }
    bool run(ScriptedFrontEnd& ui) override {
        finishInterruptedRewrites(target.root());
        auto onePiece = [](const std::string&) { return FragmentCount(1); };
        bool all = true;
        for (const std::string& name : partFilesAt(target.root()).names)
            all =
                rewriteContiguous(target.root(), name, onePiece, ui.frontEnd()).succeeded() && all;
        return all;
    }
    GameDrive& drive() override { return target; }
    std::vector<GameEntry> newRecords() override { return {}; }
    Files newFiles() override { return contents; }
    std::vector<std::string> finalNames() override { return {"Other", "My Game"}; }

    GameDrive target;
    Files contents;
};

}  // namespace

TEST(CrashSafetyTest, InstallStoppedAnywhere) {
    EXPECT_GT(walkEveryStop<InstallScenario>(), 10);
}

TEST(CrashSafetyTest, ReplacingInstallStoppedAnywhere) {
    EXPECT_GT(walkEveryStop<ReplacingInstallScenario>(), 10);
}

TEST(CrashSafetyTest, RoomMakingInstallStoppedAnywhere) {
    EXPECT_GT(walkEveryStop<RoomMakingInstallScenario>(), 10);
}

TEST(CrashSafetyTest, CopyStoppedAnywhere) {
    EXPECT_GT(walkEveryStop<CopyScenario>(), 10);
}

TEST(CrashSafetyTest, ReplacingCopyStoppedAnywhere) {
    EXPECT_GT(walkEveryStop<ReplacingCopyScenario>(), 10);
}

TEST(CrashSafetyTest, DeleteStoppedAnywhere) {
    EXPECT_GT(walkEveryStop<DeleteScenario>(), 5);
}

TEST(CrashSafetyTest, RenameStoppedAnywhere) {
    EXPECT_GT(walkEveryStop<RenameScenario>(), 5);
}

TEST(CrashSafetyTest, FragRewriteStoppedAnywhere) {
    EXPECT_GT(walkEveryStop<FragScenario>(), 10);
}

TEST(CrashSafetyTest, ExportStoppedAnywhere) {
    EXPECT_GT(walkEveryStop<ExportScenario>(), 0);
}

TEST(CrashSafetyTest, CheckRebuildingATableStoppedAnywhere) {
    TempDir probe;  // the drive's table is a link
    ZT_MAKE_SYMLINK(probe.file("table"), probe.file("link"));
    EXPECT_GT(walkEveryStop<CheckScenario>(), 5);
}

namespace {

// Runs the command while the folder flush after the table's rename fails.
template <class S>
void expectUnflushedTableIsAFailure() {
    S scenario;
    ScriptedFrontEnd ui;
    bool renamed = false;
    bool done;
    {
        ScopedFault fault([&](FileOp op, const std::string& path, const std::string& other) {
            if (op == FileOp::Rename && other.ends_with("/zt.cfg"))
                renamed = true;
            return !(renamed && op == FileOp::Flush && std::filesystem::is_directory(path));
        });
        done = scenario.run(ui);
    }
    const std::string name = typeid(S).name();
    EXPECT_FALSE(done) << name;
    ASSERT_FALSE(ui.boxes.shown.empty()) << name;
    EXPECT_NE(ui.boxes.shown.back().find("may not be on the device"), std::string::npos)
        << name << ": " << ui.boxes.shown.back();
    // Whatever the table names now is there.
    for (const GameEntry& record : scenario.drive().records()) {
        for (const std::string& path : partFilesOf(scenario.drive().root(), record).paths)
            EXPECT_TRUE(std::filesystem::is_regular_file(path)) << name << ": " << path;
    }
}

}  // namespace

TEST(CrashSafetyTest, UnflushedTableIsReportedAsAFailure) {
    expectUnflushedTableIsAFailure<InstallScenario>();
    expectUnflushedTableIsAFailure<ReplacingInstallScenario>();
    expectUnflushedTableIsAFailure<CopyScenario>();
    expectUnflushedTableIsAFailure<ReplacingCopyScenario>();
    expectUnflushedTableIsAFailure<DeleteScenario>();
    expectUnflushedTableIsAFailure<RenameScenario>();
}
