// The window's install job: stopped, and said so, once the chosen drive is no
// longer mounted where it was; the folder it leaves behind gets nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameIso.h"
#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "ui/DriveWatch.h"
#include "ui/InstallSteps.h"

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
    DriveWatch watch(progress, [&] { return ++looks, mounted; }, std::chrono::milliseconds(0));
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
    const std::vector<std::string> args{"", iso, target.mountPoint, "My Game", "DVD"};
    const struct {
        int looksMounted;
        int result;
        bool said;
    } cases[] = {
        {1 << 30, 1, false},  // mounted throughout: installed
        {0, 0, true},         // gone at the first look during the copy
        {1, 0, true},         // gone later: at the latest, the look after the install
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(drive.path());
        std::filesystem::create_directory(drive.path());
        VanishingDrive drives(target);
        drives.looksMounted = c.looksMounted;
        ScriptedFrontEnd ui;
        FrontEnd frontEnd = ui.frontEnd();
        EXPECT_EQ(runInstallJob(args, target, drives, frontEnd, openDiscDevice, {}), c.result);
        EXPECT_EQ(ui.boxes.shown, c.said ? std::vector<std::string>{driveLostText(
                                               target.mountPoint)}
                                         : std::vector<std::string>{});
    }
}
