// The main window's pages, drive boxes, keys, link and context menu.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "GameDrive.h"
#include "WindowDoubles.h"
#include "ui/DriveOrder.h"
#include "ui/qt/ClickLabel.h"
#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DriveSelectDialog.h"
#include "ui/qt/DropDownList.h"
#include "zt_version.h"

using namespace ui::qt;
using namespace ui;
using namespace store;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace platform;

namespace {

QStringList items(QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

QStringList rows(QTreeWidget* list) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(0) + "|" + list->topLevelItem(i)->text(1);
    return names;
}

// Chooses `row` of an open combo box's list with the keyboard, as a user would.
void chooseInPopup(QComboBox* combo, int row) {
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    view->setCurrentIndex(view->model()->index(row, 0));
    QTest::keyClick(view, Qt::Key_Return);
}

class MainDialogTest : public WindowTest {
  protected:
    std::string rootOf(const GameDrive& drive) { return drive.root(); }
    GameDrive g, k;
};

}  // namespace

TEST_F(MainDialogTest, OpticalAndFixedDrivesFillTheirBoxesInOrder) {
    g.addGame("Alpha", "SLUS_000.01", {1024 * 1024, 4096});
    k.addGame("Beta", "SLUS_000.02", {2048});
    drives.optical = {"/dev/sr0", "/dev/sr1"};
    drives.fixed = {{g.root(), "/dev/sdg1"}, {k.root(), "/dev/sdk1"}};
    MainDialog& window = open();

    EXPECT_EQ(items(window.sourceCombo), QStringList({"/dev/sr0", "/dev/sr1", "Image file..."}));
    EXPECT_EQ(window.sourceCombo->currentText(), "/dev/sr0");
    EXPECT_EQ(items(window.driveCombo),
              QStringList({QString::fromStdString(g.root()), QString::fromStdString(k.root())}));
    EXPECT_EQ(window.driveCombo->currentIndex(), 0);
    EXPECT_EQ(items(window.mediaCombo), QStringList({"CD", "DVD"}));
    EXPECT_EQ(window.mediaCombo->currentText(), "CD");
    EXPECT_EQ(window.core().targetRoot(), g.root());
    // The games of the first fixed drive, with their size in KB.
    EXPECT_EQ(rows(window.gameList), QStringList({"Alpha|1028"}));
    EXPECT_TRUE(window.statusLine->text().startsWith("Disk Size:"));
    EXPECT_EQ(window.findChild<QLineEdit*>("c1005")->text(), "Game1");
    EXPECT_EQ(window.windowTitle(), "Tarnwick Game Installer");

    // Choosing the other drive lists its games.
    chooseInPopup(window.driveCombo, 1);
    EXPECT_EQ(window.core().targetRoot(), k.root());
    EXPECT_EQ(rows(window.gameList), QStringList({"Beta|2"}));
}

TEST_F(MainDialogTest, ChoosingTheSelectedDriveAgainListsItAnew) {
    drives.fixed = {{g.root(), "/dev/sdg1"}};
    MainDialog& window = open();
    EXPECT_EQ(window.gameList->topLevelItemCount(), 0);
    g.addGame("Late", "SLUS_000.03", {10});
    chooseInPopup(window.driveCombo, 0);
    EXPECT_EQ(rows(window.gameList), QStringList({"Late|0"}));
}

TEST_F(MainDialogTest, BoxesAreScannedAgainWhenTheyOpen) {
    drives.fixed = {{g.root(), "/dev/sdg1"}};
    MainDialog& window = open();
    // A drive plugged in before the list opens, at a letter before the selected one.
    TempDir earlier;
    drives.fixed.insert(drives.fixed.begin(), {earlier.root(), "/dev/sdb1"});
    drives.optical = {"/dev/sr0"};
    window.driveCombo->showPopup();
    window.driveCombo->hidePopup();
    EXPECT_EQ(window.driveCombo->count(), 2);
    EXPECT_EQ(window.driveCombo->currentText().toStdString(), g.root());  // selection kept
    window.sourceCombo->showPopup();
    window.sourceCombo->hidePopup();
    EXPECT_EQ(items(window.sourceCombo), QStringList({"/dev/sr0", "Image file..."}));
}

TEST_F(MainDialogTest, ImageFileItemPutsTheChosenFileIntoTheBox) {
    drives.optical = {"/dev/sr0"};
    drives.fixed = {{g.root(), "/dev/sdg1"}};
    MainDialog& window = open();
    auto* name = window.findChild<QLineEdit*>("c1005");
    imageFile = "/images/game.iso";
    chooseInPopup(window.sourceCombo, 1);
    // Shown by its file's name, as in the native window; the whole path is the tooltip.
    EXPECT_EQ(items(window.sourceCombo), QStringList({"/dev/sr0", "game.iso", "Image file..."}));
    EXPECT_EQ(window.sourceCombo->currentText(), "game.iso");
    EXPECT_EQ(window.sourceCombo->currentData().toString(), "/images/game.iso");
    EXPECT_EQ(window.sourceCombo->toolTip(), "/images/game.iso");
    EXPECT_EQ(name->text(), "game");  // the initial "Game1" gives way to the file's name
    // Cancelling the file dialog keeps what was selected; it opened where the
    // last image lies.
    imageFile.clear();
    chooseInPopup(window.sourceCombo, 2);
    EXPECT_EQ(window.sourceCombo->currentData().toString(), "/images/game.iso");
    EXPECT_EQ(imageFolders, std::vector<std::string>({"", "/images"}));
    // A rescan keeps the chosen file.
    window.sourceCombo->showPopup();
    window.sourceCombo->hidePopup();
    EXPECT_EQ(window.sourceCombo->currentData().toString(), "/images/game.iso");

    // An image file dropped onto the window becomes the source; a folder does not.
    const std::string dropped = g.root() + "Moon Base.iso";
    writeBytes(dropped, {0});
    for (const std::string& path : {g.root(), dropped}) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &enter);
        EXPECT_EQ(enter.isAccepted(), path == dropped) << path;
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &drop);
    }
    EXPECT_EQ(window.sourceCombo->currentData().toString().toStdString(), dropped);
    EXPECT_EQ(window.sourceCombo->currentText(), "Moon Base.iso");
    EXPECT_EQ(name->text(), "Moon Base");
}

TEST_F(MainDialogTest, UsbDrivesComeFirstAndTheSystemsDriveAsksBeforeAnInstall) {
    drives.optical = {"/dev/sr0"};
    drives.fixed = {{g.root(), "/dev/sda2", false, true}, {k.root(), "/dev/sdk1", true}};
    MainDialog& window = open();
    const QStringList offered{QString::fromStdString(k.root()), QString::fromStdString(g.root())};
    EXPECT_EQ(items(window.driveCombo), offered);
    EXPECT_EQ(window.core().targetRoot(), k.root());
    DriveSelectDialog dialog(drives);
    ASSERT_EQ(dialog.driveList->count(), 2);
    EXPECT_EQ(dialog.driveList->item(0)->data(Qt::UserRole).toString(), offered[0]);

    chooseInPopup(window.driveCombo, 1);
    boxes.answers = {true};  // "Start Install?"; the next question is answered No
    QTest::mouseClick(window.startButton, Qt::LeftButton);
    EXPECT_EQ(boxes.questions,
              std::vector<std::string>({"Start Install?", systemDriveQuestion(drives.fixed[0])}));
    EXPECT_TRUE(boxes.defaultNoFlags.back());
    EXPECT_FALSE(window.jobRunning());
    EXPECT_TRUE(window.isEnabled());
}

TEST_F(MainDialogTest, TabsShowTheirPagesAndTheInstallerPageRefreshes) {
    drives.fixed = {{g.root(), "/dev/sdg1"}};
    MainDialog& window = open();
    auto visible = [&](int id) { return controlById(&window, id)->isVisible(); };
    const int installer[] = {1012, 1009, 1011, 1005, 1004, 1010,
                             1032, 1029, 1031, 1030, 1033, 1036};
    for (int id : installer)
        EXPECT_TRUE(visible(id)) << id;
    for (int id : {1024, 1028, 1034, 1035, 1043})
        EXPECT_FALSE(visible(id)) << id;

    QTest::mouseClick(window.tabs->tabBar(), Qt::LeftButton, {},
                      window.tabs->tabBar()->tabRect(1).center());
    EXPECT_EQ(window.tabs->currentIndex(), 1);
    for (int id : installer)
        EXPECT_FALSE(visible(id)) << id;
    EXPECT_TRUE(visible(1035));
    EXPECT_TRUE(visible(1024));
    EXPECT_EQ(window.findChild<QLabel*>("c1035")->text().toStdString(), kFormatPageText);

    window.tabs->setCurrentIndex(2);
    for (int id : {1034, 1028, 1043})
        EXPECT_TRUE(visible(id)) << id;
    EXPECT_FALSE(visible(1035));
    EXPECT_TRUE(window.link.window()->isVisible());

    g.addGame("Added", "SLUS_000.04", {4096});
    window.tabs->setCurrentIndex(0);
    EXPECT_TRUE(visible(1010));
    EXPECT_FALSE(visible(1034));
    EXPECT_EQ(rows(window.gameList), QStringList({"Added|4"}));
}

TEST_F(MainDialogTest, EnterAndEscapeLeaveTheWindowOpen) {
    MainDialog& window = open();
    QTest::keyClick(&window, Qt::Key_Return);
    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(window.findChild<QLineEdit*>("c1005"), Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
}

TEST_F(MainDialogTest, ContextMenuOffersTheThreeCommandsOnTheInstallerPageOnly) {
    g.addGame("Alpha", "SLUS_000.01", {4096});
    drives.fixed = {{g.root(), "/dev/sdg1"}};
    MainDialog& window = open();
    for (const char* command : {"Delete", "Rename", "Copy..."}) {
        menuChoice = command;
        emit window.gameList->customContextMenuRequested(QPoint(5, 200));
        EXPECT_EQ(menuTexts, std::vector<std::string>({"Delete", "Rename", "Copy...", "", "Verify",
                                                       "Export...", "", "Check Drive"}));
    }
    // No row was selected: each command says so and changes nothing.
    EXPECT_EQ(boxes.shown, std::vector<std::string>(3, "Please select game"));
    EXPECT_TRUE(dialogTitles.empty());
    EXPECT_EQ(g.names(), std::vector<std::string>{"Alpha"});

    menuTexts.clear();
    window.tabs->setCurrentIndex(1);
    emit window.gameList->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(menuTexts.empty());
}

TEST_F(MainDialogTest, TheLinkAndItsPlaceholderOpenTheWebSite) {
    MainDialog& window = open();
    window.tabs->setCurrentIndex(2);
    QWidget* label = window.link.window();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget(), controlById(&window, 1028));
    EXPECT_EQ(label->geometry(), QRect(0, 0, 150, 20));
    EXPECT_EQ(window.link.text(), "https://tarnwick.example/");

    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_EQ(opened, std::vector<std::string>{"https://tarnwick.example/"});  // at the press
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_EQ(opened.size(), 1u);

    // The placeholder's own area beside the label.
    QWidget* placeholder = controlById(&window, 1028);
    ASSERT_GT(placeholder->width(), 150);
    QTest::mouseClick(placeholder, Qt::LeftButton, {}, QPoint(placeholder->width() - 2, 2));
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_TRUE(boxes.shown.empty());

    // No browser takes the address: a box says so.
    browserOpens = false;
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(10, 5));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].find("https://tarnwick.example/ could not be opened"),
              std::string::npos);
    // The program's own address fits the label on its one line.
    EXPECT_LE(QFontMetrics(window.link.font()).horizontalAdvance(ZT_WEBSITE_URL), 150);
}
