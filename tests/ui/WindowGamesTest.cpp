// Delete, rename, copy and details from the list's context menu, on real folders.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <future>

#include "GameDrive.h"
#include "WindowDoubles.h"
#include "platform/FileTransfer.h"
#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DriveSelectDialog.h"
#include "ui/qt/DropDownList.h"
#include "ui/qt/RenameDialog.h"

using namespace platform;
using namespace ui::qt;
using namespace store;
using namespace ui;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;

namespace {

// The drive dialog's row of the drive at `root`: rows show short names.
QListWidgetItem* driveItem(QListWidget* list, const std::string& root) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).toString().toStdString() == root)
            return list->item(i);
    }
    return nullptr;
}

class WindowGamesTest : public WindowTest {
  protected:
    MainDialog& openOn(GameDrive& drive) {
        drives.fixed.push_back({drive.root(), "/dev/sdh1"});
        return open();
    }

    // Clicks the row of `name`, as a user selects a game.
    void select(MainDialog& window, const QString& name) {
        QList<QTreeWidgetItem*> found = window.gameList->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        const QRect rect = window.gameList->visualItemRect(found.front());
        QTest::mouseClick(window.gameList->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void command(MainDialog& window, const char* text) {
        menuChoice = text;
        emit window.gameList->customContextMenuRequested(QPoint(5, 5));
    }

    QStringList listed(MainDialog& window) {
        QStringList names;
        for (int i = 0; i < window.gameList->topLevelItemCount(); ++i)
            names << window.gameList->topLevelItem(i)->text(0);
        return names;
    }

    // The rename dialog is filled in and confirmed as a user would.
    void renameTo(const QString& name, bool confirm = true) {
        dialogs.push_back([name, confirm](QDialog& dialog) {
            auto& rename = dynamic_cast<RenameDialog&>(dialog);
            EXPECT_TRUE(rename.edit->text().isEmpty());
            QTest::keyClicks(rename.edit, name);
            QTest::mouseClick(
                qobject_cast<QPushButton*>(controlById(&rename, confirm ? 1021 : 1022)),
                Qt::LeftButton);
            return rename.result();
        });
    }

    GameDrive h;
};

}  // namespace

TEST_F(WindowGamesTest, DeleteAsksThenRemovesTheGameAndListsAgain) {
    h.addGame("Alpha", "SLUS_000.01", {4096, 2048});
    h.addGame("Beta", "SLUS_000.02", {1024});
    MainDialog& window = openOn(h);
    select(window, "Alpha");

    command(window, "Delete");  // answered No: nothing goes, the list is read again
    EXPECT_EQ(boxes.questions.back(), "Delete Game Alpha?");
    EXPECT_EQ(h.names(), std::vector<std::string>({"Alpha", "Beta"}));

    select(window, "Alpha");
    boxes.answers = {true};
    QTest::keyClick(window.gameList, Qt::Key_Delete);  // the key asks as the menu does
    EXPECT_EQ(boxes.questions, std::vector<std::string>(2, "Delete Game Alpha?"));
    EXPECT_EQ(h.names(), std::vector<std::string>({"Beta"}));
    EXPECT_EQ(listed(window), QStringList({"Beta"}));
    EXPECT_FALSE(std::filesystem::exists(h.part("Alpha", "SLUS_000.01", 0)));
    EXPECT_FALSE(std::filesystem::exists(h.part("Alpha", "SLUS_000.01", 1)));
    EXPECT_TRUE(std::filesystem::exists(h.part("Beta", "SLUS_000.02", 0)));
}

TEST_F(WindowGamesTest, ClickShowsTheDetailsAsTheRowsTooltip) {
    h.addGame("Alpha", "SLUS_000.01", {1073741824, 524288});
    MainDialog& window = openOn(h);
    select(window, "Alpha");
    EXPECT_EQ(window.gameList->topLevelItem(0)->toolTip(0).toStdString(),
              "Size 1074266112 Bytes ,File number 2 ");
    EXPECT_EQ(window.gameList->topLevelItem(0)->text(1), "1049088");
}

TEST_F(WindowGamesTest, ALongListScrollsDownButNotAcross) {
    for (int i = 0; i < 12; ++i)
        h.addGame("Game " + std::to_string(i), "SLUS_000.0" + std::to_string(i % 10), {2048});
    MainDialog& window = openOn(h);
    ASSERT_EQ(window.gameList->topLevelItemCount(), 12);
    QApplication::processEvents();
    EXPECT_TRUE(window.gameList->verticalScrollBar()->isVisible());
    EXPECT_FALSE(window.gameList->horizontalScrollBar()->isVisible());
}

TEST_F(WindowGamesTest, RenameMovesThePartsAndKeepsTheNameRules) {
    h.addGame("Alpha", "SLUS_000.01", {4096, 2048});
    h.addGame("Beta", "SLUS_000.02", {1024});
    MainDialog& window = openOn(h);

    select(window, "Alpha");
    renameTo("Beta");  // taken
    command(window, "Rename");
    EXPECT_EQ(boxes.shown.back(), "The game already exist.");
    EXPECT_EQ(h.names(), std::vector<std::string>({"Alpha", "Beta"}));

    select(window, "Alpha");
    renameTo(QString(32, 'x'));  // one byte too many for the field
    command(window, "Rename");
    EXPECT_EQ(h.names(), std::vector<std::string>({"Alpha", "Beta"}));
    EXPECT_EQ(boxes.shown.size(), 2u);

    select(window, "Alpha");
    renameTo("Whatever", false);  // cancelled
    command(window, "Rename");
    EXPECT_EQ(h.names(), std::vector<std::string>({"Alpha", "Beta"}));

    select(window, "Alpha");
    const QString longest(31, 'y');
    renameTo(longest);
    QTest::keyClick(window.gameList, Qt::Key_F2);  // the key renames as the menu does
    EXPECT_EQ(h.names(), std::vector<std::string>({longest.toStdString(), "Beta"}));
    EXPECT_EQ(listed(window), QStringList({longest, "Beta"}));
    EXPECT_TRUE(std::filesystem::exists(h.part(longest.toStdString(), "SLUS_000.01", 1)));
    EXPECT_FALSE(std::filesystem::exists(h.part("Alpha", "SLUS_000.01", 0)));
    EXPECT_EQ(dialogTitles, std::vector<std::string>(4, "rename"));
}

TEST_F(WindowGamesTest, CopyChoosesADriveAndCopiesOnAWorker) {
    h.addGame("Alpha", "SLUS_000.01", {300000, 1234});
    GameDrive j;
    j.addGame("Other", "SLUS_000.09", {10});
    drives.fixed = {{h.root(), "/dev/sdh1"}, {j.root(), "/dev/sdj1"}};
    MainDialog& window = open();
    select(window, "Alpha");

    std::vector<QString> offered;
    dialogs.push_back([&](QDialog& dialog) {
        auto& choose = dynamic_cast<DriveSelectDialog&>(dialog);
        for (int i = 0; i < choose.driveList->count(); ++i)
            offered.push_back(choose.driveList->item(i)->data(Qt::UserRole).toString());
        // "Ok" without a selection keeps the dialog open.
        QTest::mouseClick(qobject_cast<QPushButton*>(controlById(&choose, 1021)), Qt::LeftButton);
        EXPECT_EQ(choose.result(), 0);
        choose.driveList->setCurrentItem(driveItem(choose.driveList, j.root()));
        QTest::mouseClick(qobject_cast<QPushButton*>(controlById(&choose, 1021)), Qt::LeftButton);
        return choose.result();
    });
    command(window, "Copy...");
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    EXPECT_EQ(dialogTitles, std::vector<std::string>{"Drive"});
    // The fixed drives, in the order the system lists them (neither is on USB).
    EXPECT_EQ(offered, std::vector<QString>(
                           {QString::fromStdString(h.root()), QString::fromStdString(j.root())}));
    EXPECT_EQ(j.names(), std::vector<std::string>({"Other", "Alpha"}));
    EXPECT_EQ(readBytes(j.part("Alpha", "SLUS_000.01", 1)),
              readBytes(h.part("Alpha", "SLUS_000.01", 1)));
    EXPECT_EQ(std::filesystem::file_size(j.part("Alpha", "SLUS_000.01", 0)), 300000u);
    EXPECT_TRUE(window.gameList->isEnabled());
    EXPECT_TRUE(window.driveCombo->isEnabled());
    EXPECT_FALSE(window.copyProgress().isVisible());
    EXPECT_EQ(listed(window), QStringList({"Alpha"}));  // still the source drive

    // The source drive itself as the target.
    select(window, "Alpha");
    dialogs.push_back([&](QDialog& dialog) {
        auto& choose = dynamic_cast<DriveSelectDialog&>(dialog);
        QListWidgetItem* source = driveItem(choose.driveList, h.root());
        // A double-click: press and release, then the second press.
        const QPoint at = choose.driveList->visualItemRect(source).center();
        QTest::mouseClick(choose.driveList->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(choose.driveList->viewport(), Qt::LeftButton, {}, at);
        return choose.result();
    });
    command(window, "Copy...");
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back(), "Cannot copy to it's drive!");

    // Cancelled in the drive dialog: nothing happens.
    select(window, "Alpha");
    const std::size_t said = boxes.shown.size();
    command(window, "Copy...");
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    EXPECT_EQ(boxes.shown.size(), said);
    EXPECT_EQ(j.names(), std::vector<std::string>({"Other", "Alpha"}));
}

TEST_F(WindowGamesTest, DestroyedGameFoundByTheListingCanBeDeletedOnTheSpot) {
    h.addGame("Broken", "SLUS_000.01", {4096, 2048});
    h.addGame("Whole", "SLUS_000.02", {1024});
    std::filesystem::remove(h.part("Broken", "SLUS_000.01", 1));
    boxes.answers = {true};
    MainDialog& window = openOn(h);
    EXPECT_EQ(boxes.questions, std::vector<std::string>{"Game Broken destroyed,Delete ?"});
    EXPECT_EQ(listed(window), QStringList({"Whole"}));
    EXPECT_EQ(h.names(), std::vector<std::string>({"Whole"}));
}

namespace {

// A copy whose first part waits at its start until the test lets it go on.
class HeldCopyTest : public WindowGamesTest {
  protected:
    void SetUp() override {
        copyServices.copyFile = [this](const std::string& from, const std::string& to,
                                       const platform::CopyProgress& progress) {
            held.set_value();
            released.wait();
            return platform::copyFileNoReplace(from, to, progress);
        };
        h.addGame("Alpha", "SLUS_000.01", {300000, 1234});
        drives.fixed = {{h.root(), "/dev/sdh1"}, {j.root(), "/dev/sdj1"}};
    }
    void TearDown() override {
        if (!letGo)
            go.set_value();
        WindowGamesTest::TearDown();
    }

    void startCopy(MainDialog& window) {
        select(window, "Alpha");
        dialogs.push_back([this](QDialog& dialog) {
            auto& choose = dynamic_cast<DriveSelectDialog&>(dialog);
            choose.driveList->setCurrentItem(driveItem(choose.driveList, j.root()));
            choose.onOk();
            return choose.result();
        });
        command(window, "Copy...");
        // The worker asks the window thread for the drive first: wait on its events.
        ASSERT_TRUE(waitUntil([&] {
            return heldFuture.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        }));
    }
    void release() {
        letGo = true;
        go.set_value();
    }

    GameDrive j;
    std::promise<void> held;
    std::future<void> heldFuture = held.get_future();
    std::promise<void> go;
    std::shared_future<void> released = go.get_future().share();
    bool letGo = false;
};

}  // namespace

TEST_F(HeldCopyTest, CancelInTheCopysOwnWindowRollsTheCopyBack) {
    MainDialog& window = open();
    startCopy(window);
    ASSERT_TRUE(waitUntil([&] { return window.copyProgress().isVisible(); }));
    EXPECT_EQ(window.copyProgress().windowTitle(), "copy");
    EXPECT_FALSE(window.gameList->isEnabled());
    EXPECT_FALSE(window.driveCombo->isEnabled());
    EXPECT_TRUE(window.startButton->isEnabled());  // a copy leaves the rest of the window alone
    EXPECT_FALSE(app->progressDialog->isVisible());
    // But an install or a format might write to the drive the copy writes to.
    boxes.answers = {true};  // "Start Install?"
    QTest::mouseClick(window.startButton, Qt::LeftButton);
    window.tabs->setCurrentIndex(1);
    QTest::mouseClick(window.formatButton, Qt::LeftButton);
    window.tabs->setCurrentIndex(0);
    EXPECT_EQ(boxes.shown, std::vector<std::string>(
                               2, "A game is being copied; wait until the copy has finished."));
    EXPECT_EQ(boxes.questions, std::vector<std::string>{"Start Install?"});
    EXPECT_EQ(dialogTitles, std::vector<std::string>{"Drive"});

    QTest::mouseClick(window.copyProgress().button, Qt::LeftButton);
    release();
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_NE(boxes.shown.back().find("cancelled"), std::string::npos) << boxes.shown.back();
    EXPECT_TRUE(j.files().empty());
    EXPECT_TRUE(window.gameList->isEnabled());
    EXPECT_TRUE(window.driveCombo->isEnabled());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(HeldCopyTest, ClosingDuringACopyAsksThenCancelsAndWaits) {
    MainDialog& window = open();
    startCopy(window);
    window.close();  // No
    EXPECT_EQ(boxes.questions.back(), "The job is not complete,Exit?");
    EXPECT_TRUE(boxes.defaultNoFlags.back());
    EXPECT_TRUE(window.isVisible());
    boxes.answers = {true};
    window.close();
    EXPECT_TRUE(window.isVisible());
    release();
    ASSERT_TRUE(waitUntil([&] { return !window.isVisible(); }));
    EXPECT_TRUE(j.files().empty());
    EXPECT_EQ(h.names(), std::vector<std::string>{"Alpha"});
}
