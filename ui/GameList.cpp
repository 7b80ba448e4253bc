// The list of installed games: reading it, reading it again when the
// drive's table changed, a row's details, and the list's commands.

#include "ui/GameList.h"

#include <filesystem>
#include <string>

#include "library/GameCopy.h"
#include "library/GameDeletion.h"
#include "library/GameDetails.h"
#include "library/GameList.h"
#include "library/GameRename.h"
#include "platform/PathText.h"
#include "store/DriveRoot.h"
#include "ui/ControlIds.h"
#include "ui/DriveOrder.h"
#include "ui/GameJobs.h"
#include "ui/GameRows.h"
#include "ui/JobReports.h"
#include "ui/ListRefresh.h"
#include "ui/StartChecks.h"

namespace ui {

using namespace library;
using namespace platform;
using namespace store;
using namespace report;
using namespace disk;
using namespace install;

namespace {

// When and how large the drive's table was last written; nothing without one.
std::optional<TableStamp> tableStamp(const std::string& root) {
    std::error_code error;
    const std::filesystem::path table = platform::fsPath(tablePath(root));
    const auto written = std::filesystem::last_write_time(table, error);
    if (error)
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(table, error);
    if (error)
        return std::nullopt;
    return TableStamp{written.time_since_epoch().count(), static_cast<std::uint64_t>(size)};
}

// The rows as the listing routine hands them, kept until it has ended, so
// that a busy drive keeps the rows shown and a long table is shown at once.
class GatheredRows : public GameListView {
  public:
    void clear() override {
        cleared = true;
        rows.clear();
        names.clear();
    }
    void appendRow(const GameRow& row) override {
        const std::string tip = gameStateTip(row);
        rows.push_back(ListedGame{gameRowText(row), std::to_string(row.sizeKB), tip, !tip.empty()});
        names.push_back(row.name);
    }
    void driveBusy() override { busy = true; }

    std::vector<ListedGame> rows;
    std::vector<std::string> names;
    bool cleared = false;
    bool busy = false;
};

}  // namespace

bool GameList::refreshGameList(const std::string& root) {
    if (root.empty()) {
        view_.setGames({});
        listedNames_.clear();
        listedRoot_.clear();
        listedStamp_.reset();
        const std::string text = kNoHardDrive;
        view_.statusLine().setText(text.substr(0, text.find('\n')));
        return false;
    }
    const RoutineDepth::Scope routine(routines_);
    GatheredRows gathered;
    const GameListing listing = library::refreshGameList(root, reports_.frontEnd(), gathered);
    // A drive that could not be read keeps the rows shown: an empty list
    // would look as if every game was gone.
    const bool unread = gathered.busy || listing.failedAt(GameListStep::Stopped);
    const ListAfterRefresh after = listAfterRefresh(listedRoot_, root, unread);
    if ((gathered.cleared && !unread) || after.clear) {
        view_.setGames(gathered.rows);
        listedNames_ = std::move(gathered.names);
    }
    if (!unread) {
        listedRoot_ = root;
        listedStamp_ = tableStamp(root);
    }
    if (after.retry)
        retryBusyDrive(root);
    return listing && listing.value() == GameListKind::Listed;
}

void GameList::onDriveChanged() {
    refreshGameList(drives_.readTargetRoot());
}

// Reads the busy drive `root` again a little later, while it is still the
// one shown; while a job runs or the window waits for "OK", later again.
void GameList::retryBusyDrive(const std::string& root) {
    if (busyRetryPending_)
        return;
    busyRetryPending_ = true;
    view_.after(kBusyRetryMs, [this, root] {
        busyRetryPending_ = false;
        if (jobs_.closing() || pages_.page() != Page::Installer ||
            drives_.selectedDriveRoot() != root)
            return;
        if (!jobs_.inputEnabled() || jobs_.jobRunning())
            retryBusyDrive(root);
        else
            refreshGameList(root);
    });
}

void GameList::onActivated() {
    if (routines_.any() || !jobs_.inputEnabled() || jobs_.closing() || jobs_.jobRunning() ||
        pages_.page() != Page::Installer)
        return;
    const std::string root = drives_.selectedDriveRoot();
    // Another program changed the table since it was listed, or the list
    // shows another drive: read again.
    if (!root.empty() && (root != listedRoot_ || tableStamp(root) != listedStamp_))
        refreshGameList(root);
}

std::optional<std::string> GameList::selectedGameName() const {
    const int row = view_.input().selectedGame;
    if (row < 0 || row >= static_cast<int>(listedNames_.size()))
        return std::nullopt;
    return listedNames_[static_cast<std::size_t>(row)];
}

void GameList::onGameClicked(int row) {
    drives_.readTargetRoot();
    const std::optional<std::string> name = selectedGameName();
    if (!name || drives_.targetRoot().empty())
        return;
    // The details of the clicked row become its tooltip.
    if (std::optional<std::string> details =
            gameDetails(drives_.targetRoot(), *name, reports_.frontEnd()))
        view_.setGameTooltip(row, *details);
}

std::optional<std::string> GameList::gameForCommand() {
    drives_.readTargetRoot();
    return ui::gameForCommand(drives_.targetRoot(), selectedGameName(), reports_.frontEnd());
}

void GameList::onDeleteGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    confirmAndDeleteGame(drives_.targetRoot(), name, reports_.frontEnd());
    refreshGameList(drives_.targetRoot());
}

void GameList::onRenameGame() {
    const std::optional<std::string> oldName = gameForCommand();
    if (!oldName)
        return;
    const std::optional<std::string> newName = view_.askNewName();
    if (!newName)
        return;
    if (listAfterRename(renameGame(drives_.targetRoot(), *oldName, *newName, reports_.frontEnd())))
        refreshGameList(drives_.targetRoot());
}

void GameList::onCopyGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    if (const std::string blocker = jobInTheWay(jobs_.jobs(), true); !blocker.empty()) {
        reports_.boxes().show(blocker);
        return;
    }
    // The copy counts as running from here: the drive dialog is its first
    // step, asked of the window thread while the worker waits.
    copyGameName_ = *name;
    jobs_.copyWorker().start([this, source = drives_.targetRoot()] { copyGameJob(source); },
                             [this] {
                                 view_.enableControl(control::kGameList, true);
                                 view_.enableControl(control::kDriveCombo, true);
                                 jobs_.closeWhenIdle();
                             });
}

void GameList::copyGameJob(const std::string& source) {
    const std::string game = copyGameName_;
    const std::string target = callOnWindow(view_.thread(), [this] {
        return normalizeRoot(view_.chooseDrive(
            driveDialogRows(drivesInOfferOrder(services_.drives->fixedDrives()))));
    });
    if (target.empty())
        return;
    // The copy leaves the rest of the window alone: it writes to a drive the
    // window does not show.
    callOnWindow(view_.thread(), [this] {
        view_.enableControl(control::kGameList, false);
        view_.enableControl(control::kDriveCombo, false);
    });
    view_.copyProgress().beginJob({"Copying", "Copied", game + " to " + target, 1024, false});
    JobReports reports(view_, view_.copyProgress(), log_);
    if (copyGame(source, game, target, reports.frontEnd(), services_.copyServices))
        view_.statusLine().setText(copiedText(game, target));
}

}  // namespace ui
