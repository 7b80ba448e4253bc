// The main window's core: the list of installed games, its context menu and
// keys, and the web link.

#include <string>

#include "library/GameDeletion.h"
#include "library/GameDetails.h"
#include "library/GameList.h"
#include "library/GameRename.h"
#include "ui/ControlIds.h"
#include "ui/GameRows.h"
#include "ui/ListRefresh.h"
#include "ui/MainWindowCore.h"

namespace {

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
        const std::string text = kNoHardDrive;
        view_.statusLine().setText(text.substr(0, text.find('\n')));
        return false;
    }
    GatheredRows gathered;
    const bool listed = ::refreshGameList(root, frontEnd(), gathered) == GameListing::Listed;
    const ListAfterRefresh after = listAfterRefresh(listedRoot_, root, gathered.busy);
    if (gathered.cleared || after.clear) {
        view_.setGames(gathered.rows);
        listedNames_ = std::move(gathered.names);
    }
    if (!gathered.busy)
        listedRoot_ = root;
    if (after.retry)
        retryBusyDrive(root);
    return listed;
}

// Reads the busy drive `root` again a little later, while it is still the
// one shown and nothing else goes on.
void MainWindowCore::retryBusyDrive(const std::string& root) {
    if (busyRetryPending_)
        return;
    busyRetryPending_ = true;
    view_.after(kBusyRetryMs, [this, root] {
        busyRetryPending_ = false;
        if (inputEnabled_ && !closing_ && !jobRunning() && page_ == Page::Installer &&
            selectedDriveRoot() == root)
            refreshGameList(root);
    });
}

std::optional<std::string> MainWindowCore::selectedGameName() const {
    const int row = view_.input().selectedGame;
    if (row < 0 || row >= static_cast<int>(listedNames_.size()))
        return std::nullopt;
    return listedNames_[static_cast<std::size_t>(row)];
}

void MainWindowCore::onGameClicked(int row) {
    targetRoot_ = selectedDriveRoot();
    const std::optional<std::string> name = selectedGameName();
    if (!name || targetRoot_.empty())
        return;
    // The details of the clicked row become its tooltip.
    if (std::optional<std::string> details = gameDetails(targetRoot_, *name, frontEnd()))
        view_.setGameTooltip(row, *details);
}

void MainWindowCore::onContextMenu(bool fromKeyboard) {
    if (page_ != Page::Installer)
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
                onLinkClicked();
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
    targetRoot_ = selectedDriveRoot();
    return ::gameForCommand(targetRoot_, selectedGameName(), frontEnd());
}

void MainWindowCore::onDeleteGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    confirmAndDeleteGame(targetRoot_, name, frontEnd());
    refreshGameList(targetRoot_);
}

void MainWindowCore::onRenameGame() {
    const std::optional<std::string> oldName = gameForCommand();
    if (!oldName)
        return;
    const std::optional<std::string> newName = view_.askNewName();
    if (!newName)
        return;
    if (listAfterRename(renameGame(targetRoot_, *oldName, *newName, frontEnd())))
        refreshGameList(targetRoot_);
}

void MainWindowCore::onLinkClicked() {
    if (!view_.openUrl(services_.websiteUrl))
        boxes_.show(webSiteFailureText(services_.websiteUrl));
}
