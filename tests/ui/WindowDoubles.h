#pragma once
// Doubles for what the window needs of the system, and a fixture that opens
// the real window on them: fake drives, scripted message boxes, scripted
// dialogs and menus, and waiting on the event loop instead of sleeping.

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QEventLoop>
#include <QMenu>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ScriptedFrontEnd.h"
#include "ui/DriveList.h"
#include "ui/VolumeService.h"
#include "ui/WindowLog.h"
#include "ui/qt/BoxPresenter.h"
#include "ui/qt/InstallerApp.h"
#include "ui/qt/MainDialog.h"
#include "ui/qt/WindowServices.h"

struct FakeDriveList : ui::DriveList {
    std::vector<std::string> opticalDrives() override { return optical; }
    std::vector<ui::FixedDrive> fixedDrives() override {
        ++fixedScans;
        return fixed;
    }
    std::vector<std::string> systemDevices() override { return system; }
    std::vector<std::string> optical;
    std::vector<ui::FixedDrive> fixed;
    std::vector<std::string> system;
    int fixedScans = 0;
};

// The window's boxes answered as the routines' tests answer them: from a
// script, an unscripted question being answered No.
struct ScriptedPresenter : ScriptedBoxes, ui::qt::BoxPresenter {
    using ScriptedBoxes::ask;
    using ScriptedBoxes::show;
    void show(QWidget*, const QString& text) override { show(text.toStdString()); }
    bool ask(QWidget*, const QString& text, bool defaultNo) override {
        return ask(text.toStdString(), defaultNo);
    }
};

struct FakeVolumes : ui::VolumeService {
    store::Outcome<ui::UnmountStep> unmount(const std::string& device,
                                            const std::string& mountPoint) override {
        if (onUnmount)
            onUnmount();
        unmounted.push_back(device);
        if (unmountError.empty())
            return {};
        return store::Failure<ui::UnmountStep>{ui::UnmountStep::Unmount, mountPoint, unmountError};
    }
    Remount mountAgain(const std::string& device) override {
        mounted.push_back(device);
        if (remountError.empty())
            return std::string("/media/zt/NEW");
        return store::Failure<ui::MountStep>{ui::MountStep::Mount, device, remountError};
    }
    ui::PrivilegedFormatResult runPrivilegedFormat(const std::string& device,
                                                   std::ostream&) override {
        privileged.push_back(device);
        return ui::privilegedFormatResult(privilegedStatus, device, "pkexec is not installed");
    }
    std::function<void()> onUnmount;  // runs on the format's worker thread
    std::vector<std::string> unmounted, mounted, privileged;
    std::string unmountError, remountError;
    int privilegedStatus = -1;
};

// Runs the event loop until `done` holds, for at most `limit`.
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class WindowTest : public ::testing::Test {
  protected:
    virtual ui::qt::WindowServices services() {
        ui::qt::WindowServices s;
        s.drives = &drives;
        s.boxes = &boxes;
        s.volumes = &volumes;
        s.execDialog = [this](QDialog& dialog) {
            dialogTitles.push_back(dialog.windowTitle().toStdString());
            if (dialogs.empty())
                return static_cast<int>(QDialog::Rejected);
            auto script = dialogs.front();
            dialogs.pop_front();
            dialog.show();  // as running it would
            const int result = script(dialog);
            dialog.hide();
            return result;
        };
        s.execMenu = [this](QMenu& menu, const QPoint&) -> QAction* {
            menuTexts.clear();
            QAction* chosen = nullptr;
            for (QAction* action : menu.actions()) {
                menuTexts.push_back(action->text().toStdString());
                if (action->text().toStdString() == menuChoice)
                    chosen = action;
            }
            return chosen;
        };
        s.chooseFiles = [this](QWidget*, const ui::FileDialogLook& dialog) {
            imageFolders.push_back(dialog.folder);
            return imageFile.isEmpty() ? QStringList() : QStringList{imageFile};
        };
        s.openUrl = [this](const QString& url) {
            opened.push_back(url.toStdString());
            return browserOpens;
        };
        s.canWriteDevice = [this](const std::string& device) -> ui::DeviceWriteResult {
            if (!writeDenied)
                return {};
            return store::Failure<ui::DeviceWriteStep>{ui::DeviceWriteStep::Denied, device,
                                                       "Permission denied"};
        };
        s.websiteUrl = "https://tarnwick.example/";
        s.copyServices = copyServices;
        return s;
    }

    ui::qt::MainDialog& open() {
        app = std::make_unique<ui::qt::InstallerApp>(services(), log);
        ui::qt::MainDialog& window = app->createWindows();
        window.show();
        return window;
    }

    void TearDown() override {
        if (app && app->mainDialog) {
            EXPECT_TRUE(waitUntil([&] { return !app->mainDialog->jobRunning(); }));
        }
        app.reset();
    }

    FakeDriveList drives;
    ScriptedPresenter boxes;
    FakeVolumes volumes;
    ui::WindowLog log{"", false};
    std::deque<std::function<int(QDialog&)>> dialogs;
    std::vector<std::string> dialogTitles;
    std::string menuChoice;
    std::vector<std::string> menuTexts;
    QString imageFile;
    std::vector<std::string> imageFolders;  // where each file dialog opened
    std::vector<std::string> opened;
    bool browserOpens = true;
    bool writeDenied = false;
    library::CopyServices copyServices = library::systemCopyServices();
    std::unique_ptr<ui::qt::InstallerApp> app;
};
