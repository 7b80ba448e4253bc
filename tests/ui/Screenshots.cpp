// zt_screenshots FOLDER: pictures of the window, drawn offscreen, for the
// README and the package: each tab with a few games, the progress window
// during an install, the drive and rename dialogs and the open context menu.

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "zt_version.h"

#include "FakeDisc.h"
#include "GameDrive.h"
#include "WindowDoubles.h"
#include "res/Pictures.h"
#include "ui/ControlIds.h"
#include "ui/qt/DriveSelectDialog.h"
#include "ui/qt/FocusStyle.h"
#include "ui/qt/RenameDialog.h"

using namespace res;
using namespace ui;
using namespace ui::qt;
using namespace install;
using namespace store;
using namespace platform;
using namespace report;
using namespace disk;
using namespace library;

namespace {

// The drives of the pictures, under names a user would recognise.
const std::string kBase = "/tmp/zt-screenshots";
const std::string kUsb = kBase + "/media/usb/";
const std::string kUsb2 = kBase + "/media/usb2/";

void addGame(const std::string& root, const std::string& name, const std::string& id,
             std::uint64_t bytes, bool dvd) {
    std::vector<GameEntry> records = readTableFile(tablePath(root)).records;
    const int parts = static_cast<int>((bytes + (1ULL << 30) - 1) >> 30);
    records.push_back(gameRecord(name, id, parts, dvd));
    writeTableFile(tablePath(root), records);
    for (int i = 0; i < parts; ++i) {
        const std::uint64_t size =
            std::min<std::uint64_t>(bytes - (std::uint64_t(i) << 30), 1ULL << 30);
        GameDrive::writePart(*partFilePath(partPrefix(root, gameNameHash(name), id), i), size);
    }
}

bool save(const QPixmap& picture, const std::string& folder, const char* name) {
    const std::string path = folder + "/" + name;
    if (!picture.save(QString::fromStdString(path))) {
        std::fprintf(stderr, "zt_screenshots: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

// Holds an install's reads at one sector until released.
struct Hold {
    std::mutex mutex;
    std::condition_variable changed;
    bool reached = false, open = false;
};

class HeldDevice : public DiscDevice {
  public:
    HeldDevice(std::shared_ptr<FakeDisc> disc, Hold& hold) : inner_(std::move(disc)), hold_(hold) {}
    std::int64_t read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        if (offset / 2048 >= 9000) {
            std::unique_lock<std::mutex> lock(hold_.mutex);
            hold_.reached = true;
            hold_.changed.notify_all();
            hold_.changed.wait(lock, [&] { return hold_.open; });
        }
        return inner_.read(offset, buffer, length);
    }

  private:
    FakeDiscDevice inner_;
    Hold& hold_;
};

int run(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(kBase, ignored);
    std::filesystem::create_directories(kUsb);
    std::filesystem::create_directories(kUsb2);
    std::filesystem::create_directories(folder);
    addGame(kUsb, "Dragon Quest VIII", "SLUS_213.61", 3906000000ULL, true);
    addGame(kUsb, "Gran Turismo 4", "SCUS_973.28", 7940000000ULL, true);
    addGame(kUsb, "Katamari Damacy", "SLUS_210.08", 750000000ULL, false);
    addGame(kUsb, "Okami", "SLUS_215.15", 2550000000ULL, true);

    FakeDriveList drives;
    drives.optical = {"/dev/sr0"};
    drives.fixed = {{kUsb, "/dev/sdb1"}, {kUsb2, "/dev/sdc1"}};
    ScriptedPresenter boxes;
    FakeVolumes volumes;
    WindowLog log("", false);
    Hold hold;
    auto disc = makeGameDisc(40000, "BOOT2 = cdrom0:\\SLUS_209.46;1\r\n");

    WindowServices services;
    services.drives = &drives;
    services.boxes = &boxes;
    services.volumes = &volumes;
    services.websiteUrl = ZT_WEBSITE_URL;
    services.discOpener = [&](const std::string&) -> DiscOpenResult {
        return {std::make_unique<HeldDevice>(disc, hold)};
    };
    bool ok = true;
    QPixmap window;
    services.execMenu = [&](QMenu& menu, const QPoint&) -> QAction* {
        // The menu drawn over the window where the pointer opened it.
        menu.adjustSize();
        QPixmap picture = window;
        QPainter painter(&picture);
        painter.drawPixmap(QPoint(150, 185), menu.grab());
        painter.end();
        ok &= save(picture, folder, "context-menu.png");
        return nullptr;
    };
    services.execDialog = [&](QDialog& dialog) {
        if (auto* choose = dynamic_cast<DriveSelectDialog*>(&dialog)) {
            choose->driveList->setCurrentRow(0);
            ok &= save(choose->grab(), folder, "drive-dialog.png");
        } else if (auto* rename = dynamic_cast<RenameDialog*>(&dialog)) {
            rename->edit->setText(QStringLiteral("Okami (PAL)"));
            ok &= save(rename->grab(), folder, "rename-dialog.png");
        }
        return static_cast<int>(QDialog::Rejected);
    };

    InstallerApp app(services, log);
    MainDialog& main = app.createWindows();
    main.show();
    ok &= save(main.grab(), folder, "games-installer.png");
    main.gameList->setCurrentItem(main.gameList->topLevelItem(3));
    window = main.grab();
    main.onListRightClick(QPoint(60, 60));
    main.core().onCommand(control::kRenameCommand);
    main.tabs->setCurrentIndex(1);
    ok &= save(main.grab(), folder, "disk-format.png");
    main.core().onCommand(control::kFormatButton);
    main.tabs->setCurrentIndex(2);
    ok &= save(main.grab(), folder, "about.png");
    main.tabs->setCurrentIndex(0);

    // An install held part-way, so that its progress window shows real figures.
    main.findChild<QLineEdit*>("c1005")->setText(QStringLiteral("Shadow of the Colossus"));
    boxes.answers = {true};
    main.onStart();
    waitUntil([&] {
        std::lock_guard<std::mutex> lock(hold.mutex);
        return hold.reached;
    });
    waitUntil([&] { return app.progressDialog->isVisible(); });
    QApplication::processEvents();
    ok &= save(app.progressDialog->grab(), folder, "progress.png");
    app.progressDialog->cancelRequested.store(1);
    {
        std::lock_guard<std::mutex> lock(hold.mutex);
        hold.open = true;
        hold.changed.notify_all();
    }
    waitUntil([&] { return !main.jobRunning(); });
    std::filesystem::remove_all(kBase, ignored);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zt_screenshots FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // Drawn as the program draws itself (its focus marks, its flat buttons).
    QApplication::setStyle(new FocusStyle);
    initPictures();
    return run(argv[1]);
}
