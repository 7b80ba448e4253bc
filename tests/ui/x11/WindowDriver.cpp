#include "WindowDriver.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DropDownList.h"
#include "ui/qt/InstallerProgram.h"

using namespace ui::qt;
using namespace ui;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace platform;
using namespace store;

using namespace std::chrono_literals;

MainDialog* mainWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<MainDialog*>(window))
            return main;
    }
    return nullptr;
}

ProgressDialog* progressWindow(const QString& title) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* progress = qobject_cast<ProgressDialog*>(window);
        if (progress != nullptr && progress->windowTitle() == title)
            return progress;
    }
    return nullptr;
}

QMessageBox* openBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box != nullptr && box->isVisible() ? box : nullptr;
}

QLineEdit* gameNameEdit() {
    return mainWindow()->findChild<QLineEdit*>(QStringLiteral("c1005"));
}

QStringList listedGames() {
    QStringList names;
    QTreeWidget* list = mainWindow()->gameList;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(0);
    return names;
}

WindowDriver::WindowDriver(const std::string& display, const std::atomic<bool>& ended)
    : x_(display), ended_(ended) {}

void WindowDriver::fail(const std::string& what) {
    ADD_FAILURE() << what;
    if (!ended_.load())
        saveFailureScreen();
    throw StepFailed{};
}

void WindowDriver::saveFailureScreen() {
    // What the screen showed at that moment tells most about why.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::create_directories(ZT_SCREENSHOT_DIR);
    x_.grab(QRect(0, 0, 1024, 768))
        .save(QString::fromStdString(std::string(ZT_SCREENSHOT_DIR) + "/failed-" + test->name() +
                                     ".png"));
}

void WindowDriver::waitFor(const std::string& what, const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + 120s;
    while (!gui(done)) {
        if (std::chrono::steady_clock::now() > limit)
            fail("waited in vain for " + what);
        std::this_thread::sleep_for(50ms);
    }
}

QPoint WindowDriver::centreOf(const std::function<QWidget*()>& widget) {
    const QPoint at = gui([&] {
        QWidget* w = widget();
        return w != nullptr && w->isVisible() ? w->mapToGlobal(w->rect().center()) : QPoint(-1, -1);
    });
    if (at.x() < 0)
        fail("a control to click is not shown");
    return at;
}

void WindowDriver::click(const std::function<QWidget*()>& widget, unsigned button) {
    // A person clicks into the window in front; one that has just closed may
    // still cover the spot until the server has taken it away.
    const unsigned long id = gui([&] {
        QWidget* w = widget();
        return w != nullptr ? static_cast<unsigned long>(w->window()->winId()) : 0UL;
    });
    const auto limit = std::chrono::steady_clock::now() + 30s;
    while (x_.activeWindow() != id) {
        if (std::chrono::steady_clock::now() > limit)
            fail("the window to click into is not the active one");
        std::this_thread::sleep_for(20ms);
    }
    x_.click(centreOf(widget), button);
}

void WindowDriver::clickRow(const QString& game, unsigned button) {
    const QPoint at = gui([&] {
        QTreeWidget* list = mainWindow()->gameList;
        const QList<QTreeWidgetItem*> found = list->findItems(game, Qt::MatchExactly, 0);
        if (found.size() != 1)
            return QPoint(-1, -1);
        return list->viewport()->mapToGlobal(list->visualItemRect(found.front()).center());
    });
    if (at.x() < 0)
        fail("the list does not show " + game.toStdString());
    x_.click(at, button);
}

void WindowDriver::expectInFront(const std::function<QWidget*()>& widget, const std::string& what) {
    const unsigned long id = gui([&] {
        QWidget* w = widget();
        return w != nullptr ? static_cast<unsigned long>(w->window()->winId()) : 0UL;
    });
    if (id == 0)
        fail(what + " is not open");
    // The window manager stacks and focuses a new window a moment after it maps.
    const auto limit = std::chrono::steady_clock::now() + 30s;
    for (;;) {
        const std::vector<unsigned long> order = x_.stacking();
        const unsigned long active = x_.activeWindow();
        if (active == id && !order.empty() && order.back() == id)
            break;
        if (std::chrono::steady_clock::now() > limit) {
            char ids[96];
            std::snprintf(ids, sizeof ids, " (itself 0x%lx, active 0x%lx, on top 0x%lx)", id,
                          active, order.empty() ? 0UL : order.back());
            fail(what + " is not the active window in front of all others" + ids);
        }
        std::this_thread::sleep_for(20ms);
    }
    waitFor(what + " to have the keyboard focus", [&] {
        QWidget* focus = QApplication::focusWidget();
        QWidget* w = widget();
        return focus != nullptr && w != nullptr && focus->window() == w->window();
    });
}

void WindowDriver::expectBox(const std::string& text, bool prefix) {
    const std::string what = "the box \"" + text + "\"";
    waitFor(what, [&] {
        QMessageBox* box = openBox();
        const std::string shown = box != nullptr ? box->text().toStdString() : std::string();
        return box != nullptr && (prefix ? shown.rfind(text, 0) == 0 : shown == text);
    });
    expectInFront([] { return openBox(); }, what);
}

void WindowDriver::answer(const std::string& keyName) {
    // A box that follows at once may take the same address: the guard tells them apart.
    auto box = std::make_shared<QPointer<QMessageBox>>();
    gui([box] { *box = openBox(); });
    x_.key(keyName);
    waitFor("the box to close", [box] { return box->isNull() || !(*box)->isVisible(); });
}

void WindowDriver::screenshot(const std::string& name) {
    gui([] {});
    // What just changed reaches the screen through the window thread's
    // painting and the window manager's frames: give them a moment.
    std::this_thread::sleep_for(400ms);
    QRect area = gui([] {
        QRect shown;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible())
                shown |= window->frameGeometry();
        }
        return shown;
    });
    area = area.adjusted(-8, -8, 8, 8).intersected(QRect(0, 0, 1024, 768));
    const std::filesystem::path folder = ZT_SCREENSHOT_DIR;
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(x_.grab(area).save(QString::fromStdString((folder / (name + ".png")).string())))
        << name;
}

void WindowDriver::chooseHardDrive(const std::string& mountPoint) {
    click([] { return mainWindow()->driveCombo; });
    waitFor("the Hard Drive list", [] { return mainWindow()->driveCombo->view()->isVisible(); });
    x_.type(mountPoint);
    x_.key("Return");
    waitFor("the Hard Drive " + mountPoint, [&] {
        DropDownList* combo = mainWindow()->driveCombo;
        return !combo->view()->isVisible() && combo->currentText().toStdString() == mountPoint;
    });
}

namespace {

QFileDialog* fileDialog() {
    return qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
}

}  // namespace

// Opens the file dialog from "Image file..." and waits for its name box.
QLineEdit* WindowDriver::openFileDialog() {
    click([] { return mainWindow()->sourceCombo; });
    waitFor("the CD/DVD ROM Drive list",
            [] { return mainWindow()->sourceCombo->view()->isVisible(); });
    x_.key("End");  // "Image file..." is the last item
    x_.key("Return");
    waitFor("the file dialog",
            [&] { return fileDialog() != nullptr && fileDialog()->isVisible(); });
    expectInFront(fileDialog, "the file dialog");
    // The name box has the focus once the dialog has settled.
    auto nameBox = [] {
        QLineEdit* focus = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        return focus != nullptr && focus->window() == fileDialog() ? focus : nullptr;
    };
    waitFor("the file dialog's name box", [&] { return nameBox() != nullptr; });
    return gui(nameBox);
}

// Types `text` into the file dialog's name box and waits until it holds
// `typed` (or `orElse`: the dialog goes into each folder typed).
void WindowDriver::typeIntoFileDialog(const std::string& text, const std::string& orElse) {
    x_.type(text);
    waitFor("\"" + text + "\" typed into the file dialog", [&] {
        QLineEdit* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        const std::string typed = box != nullptr ? box->text().toStdString() : std::string();
        return typed == text || typed == orElse;
    });
}

void WindowDriver::chooseImage(const std::string& path) {
    openFileDialog();
    typeIntoFileDialog(path, std::filesystem::path(path).filename().string());
    x_.key("Return");
    waitFor("the image " + path + " as the source", [&] {
        return mainWindow()->sourceCombo->currentData().toString().toStdString() == path;
    });
    expectInFront(mainWindow, "the main window");
}

void WindowDriver::chooseImages(const std::string& folderPath,
                                const std::vector<std::string>& names) {
    std::string folder = folderPath;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    openFileDialog();
    typeIntoFileDialog(folder, std::filesystem::path(folder).filename().string());
    x_.key("Return");  // into the folder
    waitFor("the folder " + folder, [&] {
        return fileDialog() != nullptr &&
               fileDialog()->directory().absolutePath().toStdString() == folder;
    });
    std::string quoted;
    for (const std::string& name : names)
        quoted += (quoted.empty() ? "\"" : " \"") + name + "\"";
    typeIntoFileDialog(quoted, quoted);
    x_.key("Return");
    const QString count = QString::number(names.size()) + " images";
    waitFor("the images as the source",
            [&] { return mainWindow()->sourceCombo->currentText() == count; });
    expectInFront(mainWindow, "the main window");
}

void WindowDriver::setGameName(const std::string& name) {
    click(gameNameEdit);
    // Keys go where the focus is once the click has put it there.
    waitFor("the focus in the game name",
            [] { return QApplication::focusWidget() == gameNameEdit(); });
    x_.chord({"Control_L", "a"});
    x_.type(name);
    waitFor("the game name " + name, [&] { return gameNameEdit()->text().toStdString() == name; });
}

void WindowDriver::startInstall() {
    click([] { return mainWindow()->startButton; });
    expectBox("Start Install?");
    answer("Return");
}

void WindowDriver::openContextMenu(const QString& game) {
    clickRow(game, 3);
    waitFor("the context menu", [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu != nullptr && menu->isVisible();
    });
}

void WindowDriver::chooseFromMenu(const QString& command) {
    const QPoint at = gui([&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* action : menu != nullptr ? menu->actions() : QList<QAction*>()) {
            if (action->text() == command)
                return menu->mapToGlobal(menu->actionGeometry(action).center());
        }
        return QPoint(-1, -1);
    });
    if (at.x() < 0)
        fail("the menu has no " + command.toStdString());
    x_.click(at);
}

void WindowDriver::waitForDialog(const QString& title) {
    auto dialog = [] { return QApplication::activeModalWidget(); };
    waitFor("the dialog " + title.toStdString(), [&] {
        return dialog() != nullptr && dialog()->isVisible() && dialog()->windowTitle() == title;
    });
    expectInFront(dialog, "the dialog " + title.toStdString());
}

void WindowDriver::selectDriveInDialog(const std::string& mountPoint) {
    // The list names each mounted drive shortly, with its full path in the
    // tooltip: a person reads the names and types the one of the drive.
    const std::string name = gui([&] {
        auto* list = qobject_cast<QListWidget*>(
            controlById(QApplication::activeModalWidget(), control::kDriveListBox));
        const QString tip = QString::fromStdString(mountPoint + "  (");
        for (int i = 0; list != nullptr && i < list->count(); ++i) {
            if (list->item(i)->toolTip().startsWith(tip))
                return list->item(i)->text().toStdString();
        }
        return std::string();
    });
    // A disk that is not mounted is named by the row's own text.
    x_.type(name.empty() ? mountPoint : name);
}

void WindowDriver::chooseDrive(const std::string& mountPoint) {
    waitForDialog(QStringLiteral("Drive"));
    auto dialog = [] { return QApplication::activeModalWidget(); };
    selectDriveInDialog(mountPoint);
    click([&] { return controlById(dialog(), 1021); });
}

void WindowDriver::closeMainWindow() {
    const unsigned long id = gui([] { return static_cast<unsigned long>(mainWindow()->winId()); });
    const QPoint at = x_.closeBoxOf(id);
    if (at.x() < 0)
        fail("the main window has no close box");
    x_.click(at);
}

namespace {

// After a failed step the program is ended from outside: the jobs are asked
// to stop, and every open dialog and box is closed until the window's own
// run ends.
void endProgram(const std::atomic<bool>& ended) {
    const auto limit = std::chrono::steady_clock::now() + 120s;
    while (!ended.load()) {
        if (std::chrono::steady_clock::now() > limit) {
            std::fprintf(stderr, "The program does not end; the test stops here.\n");
            std::_Exit(1);
        }
        QMetaObject::invokeMethod(
            qApp,
            [] {
                for (QWidget* window : QApplication::topLevelWidgets()) {
                    if (auto* progress = qobject_cast<ProgressDialog*>(window))
                        progress->closing.store(true);
                }
                // The window closes last: a job still running may want to say something.
                MainDialog* main = mainWindow();
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (dialog != nullptr && dialog != main)
                    dialog->done(QDialog::Rejected);
                else if (main != nullptr && !main->jobRunning())
                    main->done(QDialog::Rejected);
            },
            Qt::QueuedConnection);
        std::this_thread::sleep_for(200ms);
    }
}

}  // namespace

void runProgram(const std::string& display, const std::function<void(WindowDriver&)>& scenario) {
    std::atomic<bool> ended{false};
    std::thread driver([&] {
        WindowDriver window(display, ended);
        bool finished = false;
        try {
            window.waitFor("the main window", [] {
                MainDialog* main = mainWindow();
                return main != nullptr && main->isVisible() && main->isActiveWindow();
            });
            scenario(window);
            finished = true;
        } catch (const StepFailed&) {
        }
        // A scenario that went to its end has closed the window itself.
        const auto limit = std::chrono::steady_clock::now() + 60s;
        while (finished && !ended.load() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(50ms);
        if (!ended.load()) {
            if (finished) {
                ADD_FAILURE() << "the program did not end when its window was closed";
                window.saveFailureScreen();
            }
            endProgram(ended);
        }
    });
    runInstallerProgram();
    ended.store(true);
    driver.join();
    // Questions of the driver that came too late must not reach the next run.
    QCoreApplication::removePostedEvents(qApp, QEvent::MetaCall);
}
