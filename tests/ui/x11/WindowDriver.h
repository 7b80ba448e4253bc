#pragma once
// Uses the running program as a person does, from a thread of the test's
// own: every click and key goes through the X server. Where a control is,
// and what the program shows, the driver asks the widgets on the window's
// thread. A step that does not come about fails the test and stops the
// scenario (an exception), after which the program is ended.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <type_traits>

#include "XSession.h"
#include "ui/qt/MainDialog.h"
#include "ui/qt/ProgressDialog.h"

// A scenario step that did not come about; already reported to the test.
struct StepFailed {};

// Widgets of the running program; call these on the window's thread only.
ui::qt::MainDialog* mainWindow();
// The progress window titled `title` ("Install" or "copy").
ui::qt::ProgressDialog* progressWindow(const QString& title);
// The message box that is open, if any.
QMessageBox* openBox();
QLineEdit* gameNameEdit();
// The game names the list shows.
QStringList listedGames();

class WindowDriver {
  public:
    WindowDriver(const std::string& display, const std::atomic<bool>& ended);

    // Runs `f` on the window's thread and returns what it returns.
    template <typename F>
    auto gui(F f) -> std::invoke_result_t<F> {
        using Result = std::invoke_result_t<F>;
        auto promise = std::make_shared<std::promise<Result>>();
        std::future<Result> future = promise->get_future();
        QMetaObject::invokeMethod(
            qApp,
            [promise, f]() mutable {
                if constexpr (std::is_void_v<Result>) {
                    f();
                    promise->set_value();
                } else {
                    promise->set_value(f());
                }
            },
            Qt::QueuedConnection);
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (future.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            if (ended_.load() || std::chrono::steady_clock::now() > limit)
                fail("the window's thread does not answer");
        }
        return future.get();
    }

    // Waits until `done` (run on the window's thread) holds; fails after two minutes.
    void waitFor(const std::string& what, const std::function<bool()>& done);
    [[noreturn]] void fail(const std::string& what);
    void saveFailureScreen();

    // Input through the X server.
    void click(const std::function<QWidget*()>& widget, unsigned button = 1);
    void clickAt(QPoint at, unsigned button = 1) { x_.click(at, button); }
    void clickRow(const QString& game, unsigned button = 1);
    void key(const std::string& name) { x_.key(name); }
    void type(const std::string& text) { x_.type(text); }
    void chord(const std::vector<std::string>& keys) { x_.chord(keys); }

    // Checks that the window `widget` (on the window's thread) is the active
    // window, above every other, and has the keyboard focus.
    void expectInFront(const std::function<QWidget*()>& widget, const std::string& what);
    // Waits for the message box that says `text` (or begins so) and checks
    // that it is in front.
    void expectBox(const std::string& text, bool prefix = false);
    // Answers the open box with a key and waits until it has gone.
    void answer(const std::string& keyName);
    // Saves what the screen shows of the program as `name`.png.
    void screenshot(const std::string& name);

    // The steps of the window that the scenarios share.
    void chooseHardDrive(const std::string& mountPoint);
    void chooseImage(const std::string& path);
    // Chooses the images `names` of `folder` together in the file dialog.
    void chooseImages(const std::string& folder, const std::vector<std::string>& names);
    void setGameName(const std::string& name);
    void startInstall();
    void openContextMenu(const QString& game);  // a right click on the game's row
    void chooseFromMenu(const QString& command);
    // Waits until the dialog titled `title` is open and in front.
    void waitForDialog(const QString& title);
    // Selects the drive mounted at `mountPoint` in the open drive dialog by
    // typing the name the list shows for it; any other text is typed as it is.
    void selectDriveInDialog(const std::string& mountPoint);
    // Picks the drive in the open drive dialog by typing it, then "Ok".
    void chooseDrive(const std::string& mountPoint);
    void closeMainWindow();
    QStringList listed() { return gui(listedGames); }

  private:
    QPoint centreOf(const std::function<QWidget*()>& widget);
    QLineEdit* openFileDialog();
    void typeIntoFileDialog(const std::string& text, const std::string& orElse);

    XInput x_;
    const std::atomic<bool>& ended_;
};

// Runs the program as zt_installer runs it, on this thread, while `scenario`
// drives it from another; ends the program if the scenario did not.
void runProgram(const std::string& display, const std::function<void(WindowDriver&)>& scenario);
