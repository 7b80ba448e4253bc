// The main window's list of installed games and what its context menu does.

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "library/GameCopy.h"
#include "library/GameDeletion.h"
#include "library/GameDetails.h"
#include "library/GameFiles.h"
#include "library/GameList.h"
#include "library/GameRename.h"
#include "ui/ControlIds.h"
#include "ui/WindowTemplates.h"
#include "ui/qt/DriveSelectDialog.h"
#include "ui/qt/GuiThread.h"
#include "ui/qt/MainDialog.h"
#include "ui/qt/MainDialogFrontage.h"
#include "ui/qt/RenameDialog.h"
#include "ui/GameRows.h"
#include "ui/ListRefresh.h"
#include "ui/StartChecks.h"

namespace {

constexpr int kNameRole = Qt::UserRole;  // the name's bytes as the table holds them

}  // namespace

// The list view as the listing routine fills it: rows are gathered and
// handed to the view at once, so that a long table fills quickly.
class MainDialog::ListRows : public GameListView {
  public:
    explicit ListRows(QTreeWidget& list) : list_(list) {}
    ~ListRows() override {
        list_.addTopLevelItems(rows_);
        list_.setUpdatesEnabled(true);
    }
    void driveBusy() override { busy_ = true; }
    bool busy() const { return busy_; }
    void clear() override {
        list_.setUpdatesEnabled(false);
        list_.clear();
        qDeleteAll(rows_);
        rows_.clear();
    }
    void appendRow(const GameRow& row) override {
        auto* item = new QTreeWidgetItem;
        item->setText(0, QString::fromStdString(gameRowText(row)));
        if (const std::string tip = gameStateTip(row); !tip.empty()) {
            item->setForeground(0, QColor(Qt::red));
            item->setToolTip(0, QString::fromStdString(tip));
        }
        item->setText(1, QString::number(row.sizeKB));
        item->setData(0, kNameRole, QByteArray::fromStdString(row.name));
        rows_.append(item);
    }

  private:
    QTreeWidget& list_;
    QList<QTreeWidgetItem*> rows_;
    bool busy_ = false;
};

bool MainDialog::refreshGameList(const std::string& root) {
    if (root.empty()) {
        gameList->clear();
        listedRoot_.clear();
        statusLine->setText(QString::fromUtf8(kNoHardDrive).section('\n', 0, 0));
        return false;
    }
    ListRows rows(*gameList);
    const bool listed =
        ::refreshGameList(root, windowFrontEnd(), rows) == GameListing::Listed;
    const ListAfterRefresh after = listAfterRefresh(listedRoot_, root, rows.busy());
    if (after.clear)
        gameList->clear();
    if (!rows.busy())
        listedRoot_ = root;
    if (after.retry && !busyRetryPending_) {
        busyRetryPending_ = true;
        QTimer::singleShot(kBusyRetryMs, this, [this, root] {
            busyRetryPending_ = false;
            // Only while the same drive is shown and nothing else goes on.
            if (isEnabled() && !jobRunning() && tabs->currentIndex() == 0 &&
                selectedDriveRoot() == root)
                refreshGameList(root);
        });
    }
    return listed;
}

std::optional<std::string> MainDialog::selectedGameName() const {
    const QList<QTreeWidgetItem*> selected = gameList->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.front()->data(0, kNameRole).toByteArray().toStdString();
}

void MainDialog::onGameClicked(QTreeWidgetItem* item) {
    takeControlValues();
    targetRoot = selectedDriveRoot();
    std::optional<std::string> name = selectedGameName();
    if (!name || targetRoot.empty())
        return;
    // The details of the clicked row become its tooltip.
    if (std::optional<std::string> details = gameDetails(targetRoot, *name, windowFrontEnd()); details && item)
        item->setToolTip(0, QString::fromStdString(*details));
}

void MainDialog::onListRightClick(const QPoint& position) {
    const QPoint at = gameList->viewport()->mapToGlobal(position);
    if (tabs->currentIndex() != 0)
        return;
    // Menu 134 as its template lists it.
    QMenu menu(this);
    for (const MenuRow& row : gameMenuTemplate()) {
        if (row.command == 0)
            menu.addSeparator();
        else
            menu.addAction(QString::fromUtf8(row.text))->setData(row.command);
    }
    QAction* chosen = services_.execMenu ? services_.execMenu(menu, at) : menu.exec(at);
    if (chosen != nullptr)
        onMenuCommand(chosen->data().toInt());
}

void MainDialog::onMenuCommand(int command) {
    switch (command) {
        case control::kDeleteCommand:
            return onDeleteGame();
        case control::kRenameCommand:
            return onRenameGame();
        case control::kCopyCommand:
            return onCopyGame();
        case control::kVerifyCommand:
            return onVerifyGame();
        case control::kExportCommand:
            return onExportGame();
        case control::kCheckDriveCommand:
            return onCheckDrive();
        default:
            return;
    }
}

std::optional<std::string> MainDialog::gameForCommand() {
    takeControlValues();
    targetRoot = selectedDriveRoot();
    return ::gameForCommand(targetRoot, selectedGameName(), windowFrontEnd());
}

int MainDialog::runDialog(QDialog& dialog) {
    return services_.execDialog ? services_.execDialog(dialog) : dialog.exec();
}

void MainDialog::onDeleteGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    confirmAndDeleteGame(targetRoot, name, windowFrontEnd());
    refreshGameList(targetRoot);
}

void MainDialog::onRenameGame() {
    const std::optional<std::string> oldName = gameForCommand();
    if (!oldName)
        return;
    RenameDialog dialog(this);
    if (runDialog(dialog) != QDialog::Accepted)
        return;
    if (listAfterRename(renameGame(targetRoot, *oldName, dialog.newName, windowFrontEnd())))
        refreshGameList(targetRoot);
}

void MainDialog::onCopyGame() {
    const std::optional<std::string> name = gameForCommand();
    if (!name)
        return;
    if (const std::string blocker = jobInTheWay(jobState(), true); !blocker.empty()) {
        windowFrontEnd().boxes.show(blocker);
        return;
    }
    copyGameName = *name;
    copyJob_.start([this, source = targetRoot, game = copyGameName] { copyGameJob(source, game); },
                   [this] {
                       gameList->setEnabled(true);
                       driveCombo->setEnabled(true);
                       closeWhenIdle();
                   });
}

void MainDialog::copyGameJob(std::string sourceRoot, std::string name) {
    // The drive dialog is the window's; the worker waits for the choice.
    const std::string target = callOnGuiThread(this, [this]() -> std::string {
        DriveSelectDialog dialog(*services_.drives, this);
        return runDialog(dialog) == QDialog::Accepted ? dialog.selectedDrive : std::string();
    });
    if (target.empty())
        return;
    postToGuiThread(this, [this] {
        gameList->setEnabled(false);
        driveCombo->setEnabled(false);
    });
    copyProgress_.beginJob({"Copying", "Copied", name + " to " + target, 1024, false});
    JobFrontEnd frontEnd(frontage_->status, frontage_->boxes, copyProgress_, log_);
    if (copyGame(sourceRoot, name, target, frontEnd.frontEnd(), services_.copyServices) ==
        CopyGameResult::Copied)
        frontage_->status.setText(copiedText(name, target));
}

void MainDialog::openWebSite() {
    if (!services_.openUrl || services_.openUrl(services_.websiteUrl))
        return;
    windowFrontEnd().boxes.show(webSiteFailureText(services_.websiteUrl.toStdString()));
}
