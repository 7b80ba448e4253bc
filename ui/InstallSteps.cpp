#include "ui/InstallSteps.h"

#include "ui/DriveWatch.h"
#include "ui/StartChecks.h"

std::string driveLostText(const std::string& root, bool letters) {
    if (letters)
        return "The drive " + driveNameOf(root, letters) +
               " was removed during the install: the install stopped, and nothing more was "
               "written.\nPlug the drive in again and check it (zt_games check).";
    return "The drive " + root +
           " was unmounted during the install: the install stopped, and nothing more was "
           "written.\nMount the drive again and check it (zt_games check).";
}

int runInstallJob(const std::vector<std::string>& args, const FixedDrive& target,
                  DriveList& drives, FrontEnd& frontEnd, DiscOpener opener,
                  InstallCommand::FreeSpace freeSpace) {
    DriveWatch watch(frontEnd.progress, [&drives, target] { return drives.mountedAt(target); });
    FrontEnd watched{frontEnd.status, frontEnd.boxes, watch, frontEnd.out};
    InstallCommand command(watched, std::move(opener), std::move(freeSpace));
    // A failed or cancelled install removes the part files it wrote itself,
    // before the window may close.
    const int result = command.run(args);
    if (watch.lost() || !drives.mountedAt(target)) {
        frontEnd.progress.hide();
        frontEnd.status.setText(platform::drivesHaveLetters()
                                    ? "The install stopped: the drive was removed"
                                    : "The install stopped: the drive was unmounted");
        frontEnd.boxes.show(driveLostText(target.mountPoint));
        return 0;
    }
    return result;
}
