// The window's install job: stopped, and said so, once the chosen drive is no
// longer mounted where it was; the folder it leaves behind gets nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameIso.h"
#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "ui/DriveWatch.h"
#include "ui/InstallSteps.h"

using namespace ui;
using namespace report;
using namespace install;
using namespace platform;
using namespace store;

namespace {

// One drive at a temporary folder, mounted until `looksMounted` looks ran out.
class VanishingDrive : public DriveList {
  public:
    explicit VanishingDrive(FixedDrive drive) : drive_(std::move(drive)) {}
    int looksMounted = 1 << 30;
    std::vector<std::string> opticalDrives() override { return {}; }
    std::vector<FixedDrive> fixedDrives() override { return {drive_}; }
    std::vector<std::string> systemDevices() override { return {}; }
    bool mountedAt(const FixedDrive&) override { return looksMounted-- > 0; }

  private:
    FixedDrive drive_;
};

}  // namespace

TEST(DriveWatchTest, AsksTheJobToStopOnceTheDriveIsGoneAndForGood) {
    ScriptedProgress progress;
    int looks = 0;
    bool mounted = true;
    DriveWatch watch(
        progress, [&] { return ++looks, mounted; }, std::chrono::milliseconds(0));
    EXPECT_FALSE(watch.cancelRequested());
    progress.cancel = true;  // the person's Cancel passes through
    EXPECT_TRUE(watch.cancelRequested());
    progress.cancel = false;
    mounted = false;
    EXPECT_TRUE(watch.cancelRequested());
    EXPECT_TRUE(watch.lost());
    mounted = true;  // another drive mounted there later changes nothing
    EXPECT_TRUE(watch.cancelRequested());
    EXPECT_EQ(looks, 2);
}

TEST(InstallStepsTest, ADriveUnmountedDuringTheInstallStopsItWithItsReason) {
    TempDir work, drive;
    const std::string iso = makeGameIso(work, 3 << 20, 7);
    ASSERT_FALSE(iso.empty()) << "no xorriso";
    const FixedDrive target{drive.path().string(), "/dev/zt-test"};
    const InstallRequest request{iso, target.mountPoint, "My Game", Media::Dvd};
    const struct {
        int looksMounted;
        int result;
        bool said;
        bool partNamed;  // the part it wrote is named as what may be left
    } cases[] = {
        {1 << 30, 1, false, false},  // mounted throughout: installed
        {0, 0, true, true},          // gone at the first look during the copy
        {1, 0, true, false},         // gone later: at the latest, the look after the install
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(drive.path());
        std::filesystem::create_directory(drive.path());
        VanishingDrive drives(target);
        drives.looksMounted = c.looksMounted;
        ScriptedFrontEnd ui;
        FrontEnd frontEnd = ui.frontEnd();
        EXPECT_EQ(runInstallJob(request, target, drives, frontEnd, openDiscDevice, {}) ? 1 : 0,
                  c.result);
        ASSERT_EQ(ui.boxes.shown.size(), c.said ? 1u : 0u);
        if (!c.said)
            continue;
        const std::string& box = ui.boxes.shown[0];
        EXPECT_EQ(box.rfind("The drive " + target.mountPoint + " was unmounted", 0), 0u) << box;
        EXPECT_NE(box.find("\"Check Drive\""), std::string::npos) << box;
        EXPECT_EQ(box.find(".SLUS_209.46.00") != std::string::npos, c.partNamed) << box;
    }
}

// What the window says of a drive unmounted during an install: the files it
// had written, by name, and the window's own "Check Drive" that removes them.
TEST(InstallStepsTest, ADriveLostSaysWhatMayBeLeftAndPointsToCheckDrive) {
    const std::string none = driveLostText("/media/usb", {});
    EXPECT_EQ(none.find("may be left"), std::string::npos) << none;
    const std::string two = driveLostText("/media/usb", {"/media/usb/zt.1C5EB8C8.SLUS_209.46.00",
                                                         "/media/usb/zt.1C5EB8C8.SLUS_209.46.01"});
    EXPECT_NE(
        two.find("may be left on the drive, named by no game:\n    zt.1C5EB8C8.SLUS_209.46.00\n"
                 "    zt.1C5EB8C8.SLUS_209.46.01\n"),
        std::string::npos)
        << two;
    for (const std::string& text : {none, two}) {
        EXPECT_NE(text.find("use \"Check Drive\" in the list's menu"), std::string::npos) << text;
        EXPECT_EQ(text.find("zt_games"), std::string::npos) << text;
    }
}
