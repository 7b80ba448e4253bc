// The main window's decisions through its core, on a view without a toolkit:
// what it opens on, what a picked image fills in, what "Start", the list's
// commands and keys do, and how the window closes while jobs run.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "DiskImage.h"
#include "FakeWindowView.h"
#include "GameDrive.h"
#include "platform/DriveLock.h"
#include "ui/ControlIds.h"
#include "ui/ImageChoice.h"
#include "ui/MainWindowCore.h"
#include "ui/VolumeService.h"

using namespace platform;
using namespace ui;
using namespace disk;
using namespace store;
using namespace install;
using namespace report;
using namespace library;

namespace {

// Another program holding a drive's lock until it is let go.
class HeldDrive {
  public:
    explicit HeldDrive(const std::string& root)
        : thread_([this, root] {
              platform::DriveLockRequest request{root, platform::DriveLockMode::Exclusive};
              platform::DriveLockAttempt lock = platform::tryLockDrives({&request, 1});
              taken = true;
              while (!release)
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }) {
        while (!taken)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~HeldDrive() { letGo(); }
    void letGo() {
        release = true;
        if (thread_.joinable())
            thread_.join();
    }

  private:
    std::atomic<bool> release{false}, taken{false};
    std::thread thread_;
};

class MainWindowCoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        usb.addGame("Alpha", "SLUS_000.01", {4096});
        drives.fixed = {{usb.root(), "/dev/sdb1", true}};
    }
    // An image file that is there, as Start wants it before its question.
    std::string betaImage() {
        const std::string path = images.file("Beta.iso");
        writeBytes(path, {0});
        return path;
    }
    void TearDown() override {
        if (!released)
            release.set_value(1);
        if (core) {
            ASSERT_TRUE(view.queue.runUntil([&] { return !core->jobRunning(); }));
        }
    }

    MainWindowCore& open() {
        CoreServices services;
        services.drives = &drives;
        services.volumes = &volumes;
        services.canWriteDevice = [](const std::string&) { return DeviceWriteResult(); };
        services.websiteUrl = "https://tarnwick.example/";
        services.fileSize = [this](const std::string& path) { return sizes[path]; };
        // The install waits until the test lets it end with a result; a
        // successful one records a game, as the real install does last.
        services.install = [this](const InstallRequest& request, const FixedDrive& target,
                                  FrontEnd& frontEnd) -> InstallResult {
            if (duringInstall)
                duringInstall(frontEnd);
            // Recorded as the command line names them: "", source, root, name, media.
            const std::vector<std::string> args{"", request.source, request.root, request.name,
                                                request.media == Media::Dvd ? "DVD" : "CD"};
            installArgs = args;
            installCalls.push_back(args);
            installTarget = target.mountPoint;
            const int result = finished.get();
            if (result == 1)
                usb.addGame("Beta", "SLUS_000.02", {2048});
            if (result != 1)
                return Failure<InstallStep>{InstallStep::Copy, request.name, ""};
            return {};
        };
        core = std::make_unique<MainWindowCore>(view, services, log);
        core->init();
        return *core;
    }
    void endInstall(int result) {
        released = true;
        release.set_value(result);
        ASSERT_TRUE(view.queue.runUntil([&] { return !core->jobRunning(); }));
    }

    // Mounts nothing: the desktop's service is not there.
    struct NoVolumes : VolumeService {
        store::Outcome<UnmountStep> unmount(const std::string&, const std::string&) override {
            return {};
        }
        Remount mountAgain(const std::string& device) override {
            return store::Failure<MountStep>{MountStep::Mount, device, "no UDisks2"};
        }
        PrivilegedFormatResult runPrivilegedFormat(const std::string& device,
                                                   std::ostream&) override {
            return privilegedFormatResult(-1, device, {});
        }
    };

    GameDrive usb;
    TempDir images;
    NoVolumes volumes;
    FakeDriveList drives;
    FakeWindowView view;
    WindowLog log{"", false};
    std::map<std::string, std::uint64_t> sizes;
    std::vector<std::string> installArgs;
    std::vector<std::vector<std::string>> installCalls;  // every install, in order
    std::string installTarget;
    std::promise<int> release;
    std::shared_future<int> finished = release.get_future().share();
    bool released = false;
    std::function<void(FrontEnd&)> duringInstall;  // on the install's thread, before it waits
    std::unique_ptr<MainWindowCore> core;
};

}  // namespace

TEST_F(MainWindowCoreTest, OpensOnADriveThisUserMayUseWithItsTextsAndGames) {
    // Another user's drive comes first in the offer order, but cannot be read.
    drives.fixed.insert(drives.fixed.begin(),
                        FixedDrive{"/media/other", "/dev/sdc1", true, false, false, false});
    drives.optical = {"/dev/sr0"};
    open();
    ASSERT_EQ(view.drives.size(), 2u);
    EXPECT_EQ(view.drives[static_cast<std::size_t>(view.state.drive)].text, usb.root());
    EXPECT_EQ(core->targetRoot(), normalizeRoot(usb.root()));
    EXPECT_EQ(view.listed(), std::vector<std::string>{"Alpha"});
    EXPECT_TRUE(view.boxesShown.shown.empty());
    EXPECT_EQ(view.sources, (std::vector<std::string>{"/dev/sr0", "Image file..."}));
    EXPECT_EQ(view.tabs, (std::vector<std::string>{"Games Installer", "Disk Format", "About"}));
    EXPECT_EQ(view.mediaItems, (std::vector<std::string>{"CD", "DVD"}));
    EXPECT_EQ(view.columns.size(), 2u);
    EXPECT_EQ(view.linkUrl, "https://tarnwick.example/");
    EXPECT_EQ(view.texts[control::kGameNameEdit], "Game1");
    EXPECT_TRUE(view.shown[control::kStartButton]);
    EXPECT_FALSE(view.shown[control::kFormatButton]);

    // The format page shows its own controls; back on the installer page the list is read again.
    view.texts.clear();
    core->onTabChanged(1);
    EXPECT_EQ(core->page(), Page::Format);
    EXPECT_TRUE(view.shown[control::kFormatButton]);
    EXPECT_EQ(view.texts[control::kFormatText], kFormatPageText);
    EXPECT_FALSE(view.shown[control::kGameList]);
    usb.addGame("Gamma", "SLUS_000.03", {2048});
    core->onTabChanged(0);
    EXPECT_EQ(view.listed(), (std::vector<std::string>{"Alpha", "Gamma"}));
}

TEST_F(MainWindowCoreTest, APickedImageNamesTheGameAndChoosesDvdWhenItCannotFitACd) {
    sizes = {{"/images/Small.iso", 1000}, {"/images/Large Game.iso", kCdBytes + 1}};
    const struct {
        const char* typed;  // the name box before the pick; empty: as it was
        std::string image;
        bool dropped;
        std::string name;
        int media;
    } cases[] = {
        {"", "/images/Small.iso", false, "Small", kCdMediaItem},
        {"", "/images/Large Game.iso", true, "Large Game", kDvdMediaItem},
        {"Mine", "/images/Small.iso", false, "Mine", kCdMediaItem},
    };
    for (const auto& c : cases) {
        open();
        if (*c.typed)
            view.state.gameName = c.typed;
        view.imageFile = c.image;
        if (c.dropped)
            core->onImageDropped(c.image);
        else
            core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
        EXPECT_EQ(view.state.gameName, c.name) << c.image;
        EXPECT_EQ(view.state.media, c.media) << c.image;
        EXPECT_EQ(view.sources[static_cast<std::size_t>(view.state.source)], c.image);
    }
    // Cancelled, the file dialog leaves the image chosen before; the next opens in its folder.
    view.imageFile.clear();
    core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
    EXPECT_EQ(view.sources[static_cast<std::size_t>(view.state.source)], "/images/Small.iso");
    EXPECT_EQ(view.imageFolders.back(), "/images");
    // Chosen again from the box, the large image sets DVD once more; the small leaves it.
    const auto chooseAgain = [&](const std::string& image) {
        const auto at = std::find(view.sources.begin(), view.sources.end(), image);
        core->onSourceChosen(static_cast<int>(at - view.sources.begin()));
    };
    core->onImageDropped("/images/Large Game.iso");
    view.state.media = kCdMediaItem;
    chooseAgain("/images/Large Game.iso");
    EXPECT_EQ(view.state.media, kDvdMediaItem);
    view.state.media = kCdMediaItem;
    chooseAgain("/images/Small.iso");
    EXPECT_EQ(view.state.media, kCdMediaItem);
    // Chosen again, an image gives its own name too, until the person types one.
    open();
    core->onImageDropped("/images/Small.iso");
    core->onImageDropped("/images/Large Game.iso");
    chooseAgain("/images/Small.iso");
    EXPECT_EQ(view.state.gameName, "Small");
    view.state.gameName = "Mine";
    chooseAgain("/images/Large Game.iso");
    EXPECT_EQ(view.state.gameName, "Mine");
}

TEST_F(MainWindowCoreTest, StartAsksThenInstallsWithTheWindowDisabledUntilOk) {
    open();
    view.imageFile = betaImage();
    core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
    core->onCommand(control::kStartButton);  // No
    EXPECT_EQ(view.boxesShown.questions, std::vector<std::string>{"Start Install?"});
    EXPECT_FALSE(core->jobRunning());

    view.boxesShown.answers = {true};
    core->onCommand(control::kStartButton);
    ASSERT_TRUE(core->jobRunning());
    EXPECT_FALSE(view.inputOn);
    EXPECT_FALSE(view.enabled[control::kStartButton]);
    // A second Start, a format or a copy waits for it.
    core->onCommand(control::kFormatButton);
    EXPECT_EQ(view.boxesShown.shown.back(), "The job is not complete; wait until it has finished.");
    view.progress.progress.visible = true;  // the install shows its window
    endInstall(1);
    EXPECT_EQ(installTarget, usb.root());
    EXPECT_NE(std::find(installArgs.begin(), installArgs.end(), "Beta"), installArgs.end());
    EXPECT_EQ(view.listed(), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_TRUE(view.enabled[control::kStartButton]);
    EXPECT_FALSE(view.inputOn);  // until "OK" in the progress window
    core->onStatusLineClicked();
    EXPECT_EQ(view.progress.restored, 0);  // no job goes on
    core->onProgressDismissed();
    EXPECT_TRUE(view.inputOn);
}

// Several images: one queue in the source box with the name box off; every
// question before the first game; each game named after its file, DVD by
// size; one box with each outcome; a Cancel stops the rest.
TEST_F(MainWindowCoreTest, AQueueAsksFirstThenInstallsEachAndSaysEachOutcome) {
    open();
    std::vector<std::string> files;
    for (const char* name : {"Alpha.iso", "Large Game.iso", "Delta.iso"}) {
        files.push_back(images.file(name));
        writeBytes(files.back(), {0});
    }
    sizes[files[1]] = kCdBytes + 1;
    view.imageFiles = files;
    core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
    EXPECT_EQ(view.sources[static_cast<std::size_t>(view.state.source)], "3 images");
    EXPECT_FALSE(view.enabled[control::kGameNameEdit]);

    view.boxesShown.answers = {true, true};  // start; replace Alpha
    core->onCommand(control::kStartButton);
    EXPECT_EQ(view.boxesShown.questions,
              (std::vector<std::string>{"Start Install?", "File Alpha already exist,Continue?"}));
    endInstall(1);
    ASSERT_EQ(installCalls.size(), 3u);
    EXPECT_EQ(installCalls[0],
              (std::vector<std::string>{"", files[0], normalizeRoot(usb.root()), "Alpha", "CD"}));
    EXPECT_EQ(installCalls[1][3], "Large Game");
    EXPECT_EQ(installCalls[1][4], "DVD");
    EXPECT_EQ(view.progress.jobs.back(), "Game 3 of 3: Installing Delta");
    EXPECT_EQ(view.boxesShown.shown.back(),
              "The queue has ended: 3 of 3 games installed.\n\nAlpha (Alpha.iso): replaced\n"
              "Large Game (Large Game.iso): installed\nDelta (Delta.iso): installed\n");
    EXPECT_TRUE(view.inputOn);
    EXPECT_TRUE(view.enabled[control::kGameNameEdit]);  // the queue has run

    // Cancelled during its first game (which still ends whole), the queue
    // installs nothing more.
    installCalls.clear();
    duringInstall = [this](FrontEnd&) { view.progress.progress.cancel = true; };
    core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
    view.boxesShown.answers = {true, true};
    core->onCommand(control::kStartButton);
    ASSERT_TRUE(view.queue.runUntil([&] { return !core->jobRunning(); }));
    EXPECT_EQ(installCalls.size(), 1u);
    EXPECT_NE(view.boxesShown.shown.back().find("1 of 3 games installed"), std::string::npos)
        << view.boxesShown.shown.back();
    EXPECT_NE(view.boxesShown.shown.back().find("Delta (Delta.iso): cancelled"), std::string::npos);
}

// Cancel during the install: the window says that what was written is
// being removed until the install has ended; "OK" after a success does not.
TEST_F(MainWindowCoreTest, CancelSaysTheInstallIsBeingUndoneUntilItEnded) {
    open();
    view.imageFile = betaImage();
    core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
    view.boxesShown.answers = {true};
    core->onCommand(control::kStartButton);
    ASSERT_TRUE(core->jobRunning());
    core->onProgressDismissed();
    EXPECT_TRUE(view.inputOn);
    EXPECT_EQ(view.status.texts.back(), kCancellingText);
    EXPECT_FALSE(view.enabled[control::kStartButton]);  // until the install has ended
    endInstall(0);
    EXPECT_EQ(view.status.texts.back().rfind("Disk Size:", 0), 0u) << view.status.texts.back();
    EXPECT_TRUE(view.enabled[control::kStartButton]);

    // After a success the install's window offers "OK": dismissing it is no Cancel.
    MainWindowCoreTest::TearDown();
    released = false;
    release = {};
    finished = release.get_future().share();
    open();
    view.status.texts.clear();
    view.boxesShown.answers = {true};
    std::atomic<bool> offered{false};
    duringInstall = [&offered](FrontEnd& frontEnd) {
        frontEnd.progress.setButtonCaption("OK");
        offered = true;
    };
    core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
    core->onCommand(control::kStartButton);
    ASSERT_TRUE(core->jobRunning());
    ASSERT_TRUE(view.queue.runUntil([&] { return offered.load(); }));
    core->onProgressDismissed();
    EXPECT_EQ(std::count(view.status.texts.begin(), view.status.texts.end(), kCancellingText), 0);
}

TEST_F(MainWindowCoreTest, ClosingAsksOnlyWhileAJobRunsAndWaitsForItAfterYes) {
    const struct {
        bool job;
        std::deque<bool> answers;
        int closedAtOnce;
        bool stopped;
    } cases[] = {
        {false, {}, 1, false},
        {true, {false}, 0, false},
        {true, {true}, 0, true},
    };
    for (const auto& c : cases) {
        MainWindowCoreTest::TearDown();
        released = false;
        release = {};
        finished = release.get_future().share();
        view.closed = 0;
        view.progress.stopped = false;
        view.boxesShown.questions.clear();
        open();
        if (c.job) {
            view.imageFile = betaImage();
            core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
            view.boxesShown.answers = {true};
            core->onCommand(control::kStartButton);
            view.boxesShown.questions.clear();
        }
        view.boxesShown.answers = c.answers;
        core->OnClose();
        EXPECT_EQ(view.closed, c.closedAtOnce);
        EXPECT_EQ(view.boxesShown.questions.size(), c.job ? 1u : 0u);
        EXPECT_EQ(view.progress.stopped.load(), c.stopped);
        if (!c.job)
            continue;
        EXPECT_TRUE(view.boxesShown.defaultNoFlags.back());
        endInstall(0);
        EXPECT_EQ(view.closed, c.stopped ? 1 : 0);
    }
}

TEST_F(MainWindowCoreTest, AnInstallEndingWhileTheCloseQuestionIsOpenKeepsItsGame) {
    open();
    view.imageFile = betaImage();
    core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
    view.boxesShown.answers = {true};
    core->onCommand(control::kStartButton);
    // While the person reads the question, the install ends and the window
    // thread runs its ending.
    view.boxesShown.beforeAnswer = [this] { endInstall(1); };
    view.boxesShown.answers = {true};
    core->OnClose();
    EXPECT_EQ(view.boxesShown.questions.back(), "The job is not complete,Exit?");
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(usb.names(), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_TRUE(std::filesystem::exists(usb.part("Beta", "SLUS_000.02", 0)));
}

TEST_F(MainWindowCoreTest, TheMenuAndTheKeysRunTheListsCommands) {
    usb.addGame("Gamma", "SLUS_000.03", {2048});
    open();
    view.select("Alpha");
    view.menuChoice = control::kRenameCommand;
    view.newName = "Omega";
    core->onContextMenu(false);
    ASSERT_EQ(view.menu.size(),
              8u);  // Delete, Rename, Copy..., then Verify, Export..., Check Drive
    EXPECT_EQ(view.menu[0].command, control::kDeleteCommand);
    EXPECT_EQ(usb.names(), (std::vector<std::string>{"Omega", "Gamma"}));

    view.select("Gamma");
    view.boxesShown.answers = {true};
    EXPECT_TRUE(core->onKey(WindowKey::Delete, control::kGameList));
    EXPECT_EQ(usb.names(), std::vector<std::string>{"Omega"});
    EXPECT_EQ(view.listed(), std::vector<std::string>{"Omega"});

    view.select("Omega");
    view.newName = "Zeta";
    EXPECT_TRUE(core->onKey(WindowKey::F2, control::kGameList));
    EXPECT_EQ(usb.names(), std::vector<std::string>{"Zeta"});
    // Keys elsewhere are the controls' own; Enter and Escape never end the window.
    EXPECT_FALSE(core->onKey(WindowKey::Delete, control::kGameNameEdit));
    EXPECT_TRUE(core->onKey(WindowKey::Escape, control::kGameList));
    EXPECT_EQ(view.closed, 0);
    // No menu on another page; a command without a selected game says so.
    view.menu.clear();
    core->onTabChanged(2);
    core->onContextMenu(true);
    EXPECT_TRUE(view.menu.empty());
    core->onTabChanged(0);
    view.menuChoice = control::kCopyCommand;
    core->onContextMenu(true);
    EXPECT_TRUE(view.menuAtSelection);
    EXPECT_EQ(view.driveDialogs, 0);
    EXPECT_FALSE(view.boxesShown.shown.empty());
}

TEST_F(MainWindowCoreTest, ABusyDriveKeepsTheLastListAndIsReadAgainLater) {
    open();
    auto holder = std::make_unique<HeldDrive>(usb.root());
    core->onDriveChosen(view.state.drive);
    EXPECT_EQ(view.listed(), std::vector<std::string>{"Alpha"});
    ASSERT_EQ(view.timers.size(), 1u);
    // Still held: read again later once more.
    view.timers[0]();
    EXPECT_EQ(view.timers.size(), 2u);
    holder.reset();
    usb.addGame("Beta", "SLUS_000.02", {2048});
    view.timers[1]();
    EXPECT_EQ(view.listed(), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(view.timers.size(), 2u);
}

// A busy drive found while a job runs (or the window waits for "OK") is
// read again once the window is free, not left as it was.
TEST_F(MainWindowCoreTest, ABusyDriveIsReadAgainAfterTheJob) {
    open();
    auto holder = std::make_unique<HeldDrive>(usb.root());
    core->onDriveChosen(view.state.drive);
    ASSERT_EQ(view.timers.size(), 1u);
    view.imageFile = betaImage();
    core->onSourceChosen(static_cast<int>(view.sources.size()) - 1);
    view.boxesShown.answers = {true};
    core->onCommand(control::kStartButton);
    ASSERT_TRUE(core->jobRunning());
    view.timers[0]();
    EXPECT_EQ(view.timers.size(), 2u);  // later again
    holder.reset();
    endInstall(0);
}

// Activated, a window reads its drive's list again when another program
// changed the table since; otherwise it leaves the list alone.
TEST_F(MainWindowCoreTest, ActivationReadsTheListAgainWhenTheTableChanged) {
    open();
    EXPECT_EQ(view.listed(), std::vector<std::string>{"Alpha"});
    view.games.clear();  // a list read again would fill this
    core->onActivated();
    EXPECT_TRUE(view.listed().empty());
    usb.addGame("Beta", "SLUS_000.02", {2048});  // by another window
    core->onActivated();
    EXPECT_EQ(view.listed(), (std::vector<std::string>{"Alpha", "Beta"}));
}

TEST_F(MainWindowCoreTest, WithoutAFixedDriveEveryCommandSaysSo) {
    drives.fixed.clear();
    open();
    EXPECT_TRUE(view.drives.empty());
    EXPECT_TRUE(core->targetRoot().empty());
    EXPECT_EQ(view.status.texts.back(), "No hard drive was found.");
    view.boxesShown.answers = {true};
    for (int command : {control::kStartButton, control::kDeleteCommand, control::kRenameCommand,
                        control::kCopyCommand, control::kFormatButton})
        core->onCommand(command);
    // "Start" asks first, as always; then says it.
    EXPECT_EQ(view.boxesShown.questions, std::vector<std::string>{"Start Install?"});
    EXPECT_EQ(view.boxesShown.shown, std::vector<std::string>(5, kNoHardDrive));
    EXPECT_EQ(view.driveDialogs, 0);
    EXPECT_FALSE(core->jobRunning());
}

// "Format..." offers the disks that are not mounted after the mounted drives;
// the chosen blank disk is initialised after the one question (default No),
// then formatted.
TEST_F(MainWindowCoreTest, FormatOffersADiskNotMountedAndInitialisesItAfterOneQuestion) {
    TempDir dir;
    const std::string image = dir.file("blank.img");
    makeImage(image, 300ULL << 20);
    drives.disks = {{"", image, true, false, false, true, "", 300ULL << 20, "WD Elements"}};
    open();
    view.driveChoice = image;
    view.boxesShown.answers = {true};
    core->onCommand(control::kFormatButton);
    ASSERT_TRUE(view.queue.runUntil([&] { return !core->jobRunning(); }));
    ASSERT_EQ(view.driveDialogRows.size(), 2u);
    EXPECT_EQ(view.driveDialogRows[0].key, usb.root());
    EXPECT_EQ(view.driveDialogRows[1].text, "blank.img 300 MB");
    ASSERT_EQ(view.boxesShown.questions.size(), 1u);
    EXPECT_EQ(view.boxesShown.questions[0].rfind("The drive has no partitions?\n\nInitialise the "
                                                 "disk " +
                                                     image + " (300 MB, WD Elements)",
                                                 0),
              0u);
    EXPECT_TRUE(view.boxesShown.defaultNoFlags[0]);
    EXPECT_EQ(view.boxesShown.shown.back().rfind("The drive was formatted, but", 0), 0u);
    const std::vector<std::uint8_t> type = readAt(image, 8192 + 82, 8);
    EXPECT_EQ(std::string(type.begin(), type.end()), "FAT32   ");
}

TEST_F(MainWindowCoreTest, ACopyRunsFromItsDriveDialogOnAndLeavesTheRestOfTheWindow) {
    GameDrive other;
    drives.fixed.push_back({other.root(), "/dev/sdc1", true});
    open();
    view.select("Alpha");
    view.menuChoice = control::kCopyCommand;
    view.driveChoice = other.root();
    // While the drive dialog is open, an install would write beside the copy: refused.
    view.whileDriveDialog = [this] {
        EXPECT_TRUE(core->jobRunning());
        view.boxesShown.answers = {true};
        core->onCommand(control::kStartButton);
    };
    core->onContextMenu(false);
    ASSERT_TRUE(view.queue.runUntil([&] { return !core->jobRunning(); }));
    EXPECT_EQ(view.boxesShown.shown.front(),
              "A game is being copied; wait until the copy has finished.");
    EXPECT_EQ(view.boxesShown.questions, std::vector<std::string>{"Start Install?"});
    EXPECT_EQ(other.names(), std::vector<std::string>{"Alpha"});
    EXPECT_TRUE(view.enabled[control::kGameList]);
    EXPECT_TRUE(view.enabled[control::kDriveCombo]);
    EXPECT_TRUE(view.inputOn);
}
