// The window with the keyboard alone, on a real X server with a window
// manager: the focus is drawn from the start, Enter presses the focused
// button and a dialog's default one, and Tab reaches the web link.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <filesystem>
#include <fstream>

#include "GameIso.h"
#include "LoopDrive.h"
#include "TempDir.h"
#include "ToolRun.h"
#include "WindowDriver.h"
#include "X11Test.h"
#include "ui/ControlIds.h"
#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DropDownList.h"

using namespace ui;
using namespace ui::qt;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace platform;
using namespace store;

namespace {

bool progressDone() {
    ProgressDialog* window = progressWindow(QStringLiteral("Install"));
    return window != nullptr && window->isVisible() && window->button->text() == "OK";
}

QWidget* focused() {
    return QApplication::focusWidget();
}

// Presses Tab until `wanted` (on the window's thread) has the focus.
void tabTo(WindowDriver& d, const std::string& what, const std::function<QWidget*()>& wanted) {
    for (int presses = 0; presses < 16; ++presses) {
        if (d.gui([&] { return focused() != nullptr && focused() == wanted(); }))
            return;
        d.key("Tab");
        d.gui([] {});
    }
    d.fail("Tab never reaches " + what);
}

void showTab(WindowDriver& d, int index) {
    const QPoint tab = d.gui([index] {
        QTabBar* bar = mainWindow()->tabs->tabBar();
        return bar->mapToGlobal(bar->tabRect(index).center());
    });
    d.clickAt(tab);
    d.waitFor("the tab's page", [index] { return mainWindow()->tabs->currentIndex() == index; });
}

class KeyboardFlows : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!x11SkipReason().empty())
            GTEST_SKIP() << x11SkipReason();
        ASSERT_FALSE(x11Display().empty()) << x11Failure();
    }
};

}  // namespace

TEST_F(KeyboardFlows, EnterPressesTheFocusedButtonAndTheDialogsDefault) {
    LoopDrive drive(300 << 20, true);
    ASSERT_TRUE(drive.error.empty()) << drive.error;
    TempDir work, disc;
    const std::string game = makeGameIso(disc, 3 << 20, 7);
    ASSERT_FALSE(game.empty()) << "no xorriso";
    // The "browser" the link opens notes the address it was given.
    const std::string opened = work.file("opened");
    const std::string browser = work.file("browser");
    std::ofstream(browser) << "#!/bin/sh\necho \"$1\" > " << shellQuoted(opened) << "\n";
    std::filesystem::permissions(browser, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    ::setenv("BROWSER", browser.c_str(), 1);
    const bool systemOpener = haveProgram("xdg-open");  // it would come before $BROWSER

    runProgram(x11Display(), [&](WindowDriver& d) {
        // The focus is on the first control, and drawn, as the window opens.
        d.waitFor("the focus on the CD/DVD box",
                  [] { return focused() == static_cast<QWidget*>(mainWindow()->sourceCombo); });
        d.screenshot("keys-window-opens");

        // Enter on a focused "Start" starts, and Enter on "OK" after the
        // install dismisses the progress window.
        d.chooseHardDrive(drive.mountPoint);
        d.chooseImage(game);
        d.setGameName("Keyed Game");
        tabTo(d, "Start", [] { return static_cast<QWidget*>(mainWindow()->startButton); });
        d.screenshot("keys-start-focused");
        d.key("Return");
        d.expectBox("Start Install?");
        d.answer("Return");
        d.waitFor("the install done", progressDone);
        d.expectInFront([] { return progressWindow("Install"); }, "the finished progress window");
        d.waitFor("the focus on OK", [] {
            return focused() ==
                   static_cast<QWidget*>(progressWindow(QStringLiteral("Install"))->button);
        });
        d.key("Return");
        d.waitFor("the main window back", [] {
            return !progressWindow(QStringLiteral("Install"))->isVisible() &&
                   mainWindow()->isEnabled();
        });
        d.waitFor("the game listed", [] { return listedGames() == QStringList{"Keyed Game"}; });

        // The drive dialog: "Ok" is its default button, so Enter in its list
        // takes the drive; a focused "Cancel" takes Enter itself.
        showTab(d, 1);
        d.click([] { return mainWindow()->formatButton; });
        d.waitForDialog(QStringLiteral("Drive"));
        tabTo(d, "Cancel", [] {
            return controlById(QApplication::activeModalWidget(), control::kCancelButton);
        });
        d.screenshot("keys-drive-dialog-cancel-focused");
        d.key("Return");
        d.waitFor("the drive dialog closed", [] {
            return QApplication::activeModalWidget() == static_cast<QWidget*>(mainWindow());
        });
        d.click([] { return mainWindow()->formatButton; });
        d.waitForDialog(QStringLiteral("Drive"));
        d.selectDriveInDialog(drive.mountPoint);
        d.screenshot("keys-drive-dialog");
        d.key("Return");
        // Whatever the format asks or says first, the dialog took the drive.
        d.waitFor("a box after the drive dialog", [] { return openBox() != nullptr; });
        d.screenshot("keys-drive-taken");
        d.answer("Escape");

        // Tab reaches the web link; Enter follows it.
        showTab(d, 2);
        tabTo(d, "the web link", [] { return mainWindow()->link.window(); });
        d.screenshot("keys-link-focused");
        d.key("Return");
        if (!systemOpener)
            d.waitFor("the web site opened", [&] { return std::filesystem::exists(opened); });
        d.closeMainWindow();
    });
    ::unsetenv("BROWSER");
}
