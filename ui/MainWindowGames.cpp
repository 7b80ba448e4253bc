// The main window's core: the list of installed games, its context menu and
// keys, and the web link.

#include <string>

#include "library/GameDeletion.h"
#include "library/GameDetails.h"
#include "library/GameList.h"
#include "library/GameRename.h"
#include "platform/PathText.h"
#include "store/DriveRoot.h"
#include "ui/ControlIds.h"
#include "ui/GameRows.h"
#include "ui/ListRefresh.h"
#include "ui/MainWindowCore.h"

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

bool MainWindowCore::refreshGameList(const std::string& root) {
    if (root.empty()) {
        view_.setGames({});
        listedNames_.clear();
        listedRoot_.clear();
        listedStamp_.reset();
        const std::string text = kNoHardDrive;
        view_.statusLine().setText(text.substr(0, text.find('\n')));
        return false;
    }
    const InRoutine routine(routines_);
    GatheredRows gathered;
    const GameListing listing = library::refreshGameList(root, frontEnd(), gathered);
    // A drive that could not be read keeps the rows shown: an empty list
    // would look as if every game was gone.
    const bool unread = gathered.busy || listing == GameListing::Stopped;
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
    return listing == GameListing::Listed;
}

// Reads the busy drive `root` again a little later, while it is still the
// one shown; while a job runs or the window waits for "OK", later again.
void MainWindowCore::retryBusyDrive(const std::string& root) {
    if (busyRetryPending_)
        return;
    busyRetryPending_ = true;
    view_.after(kBusyRetryMs, [this, root] {
        busyRetryPending_ = false;
        if (jobs_.closing() || pages_.page() != Page::Installer ||
            drives_.selectedDriveRoot() != root)
            return;
        if (!jobs_.inputEnabled() || jobRunning())
            retryBusyDrive(root);
        else
            refreshGameList(root);
    });
}

void MainWindowCore::onActivated() {
    if (routines_ > 0 || !jobs_.inputEnabled() || jobs_.closing() || jobRunning() ||
        pages_.page() != Page::Installer)
        return;
    const std::string root = drives_.selectedDriveRoot();
    // Another program changed the table since it was listed, or the list
    // shows another drive: read again.
    if (!root.empty() && (root != listedRoot_ || tableStamp(root) != listedStamp_))
        refreshGameList(root);
}

std::optional<std::string> MainWindowCore::selectedGameName() const {
    const int row = view_.input().selectedGame;
    if (row < 0 || row >= static_cast<int>(listedNames_.size()))
        return std::nullopt;
    return listedNames_[static_cast<std::size_t>(row)];
}

void MainWindowCore::onGameClicked(int row) {
    drives_.readTargetRoot();
    const std::optional<std::string> name = selectedGameName();
    if (!name || drives_.targetRoot().empty())
        return;
    // The details of the clicked row become its tooltip.
    if (std::optional<std::string> details = gameDetails(drives_.targetRoot(), *name, frontEnd()))
        view_.setGameTooltip(row, *details);
}

void MainWindowCore::onContextMenu(bool fromKeyboard) {
    if (pages_.page() != Page::Installer)
        return;
    if (const int command = view_.popUpMenu(gameMenuTemplate(), fromKeyboard); command != 0)
        onCommand(command);
}

bool MainWindowCore::onKey(WindowKey key, int focused) {
    switch (key) {
        case WindowKey::Enter:
            // A focused button takes Enter; elsewhere Enter does not end the window.
            if (focused == control::kStartButton || focused == control::kFormatButton)
                onCommand(focused);
            else if (focused == control::kLinkPlaceholder)
                openWebSite();
            return true;
        case WindowKey::Escape:
            return true;  // the main window is closed by its close box only
        case WindowKey::Delete:
        case WindowKey::F2:
        case WindowKey::Menu:
            break;
    }
    if (focused != control::kGameList)
        return false;
    if (key == WindowKey::Delete)
        onCommand(control::kDeleteCommand);
    else if (key == WindowKey::F2)
        onCommand(control::kRenameCommand);
    else
        onContextMenu(true);
    return true;
}

std::optional<std::string> MainWindowCore::gameForCommand() {
    drives_.readTargetRoot();
    return ui::gameForCommand(drives_.targetRoot(), selectedGameName(), frontEnd());
}

void MainWindowCore::onDeleteGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    confirmAndDeleteGame(drives_.targetRoot(), name, frontEnd());
    refreshGameList(drives_.targetRoot());
}

void MainWindowCore::onRenameGame() {
    const std::optional<std::string> oldName = gameForCommand();
    if (!oldName)
        return;
    const std::optional<std::string> newName = view_.askNewName();
    if (!newName)
        return;
    if (listAfterRename(renameGame(drives_.targetRoot(), *oldName, *newName, frontEnd())))
        refreshGameList(drives_.targetRoot());
}

void MainWindowCore::openWebSite() {
    if (!view_.openUrl(services_.websiteUrl))
        reports_.boxes().show(webSiteFailureText(services_.websiteUrl));
}

}  // namespace ui
