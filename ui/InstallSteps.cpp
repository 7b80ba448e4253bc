#include "ui/InstallSteps.h"

#include <filesystem>

#include "report/ShownText.h"
#include "ui/DriveWatch.h"
#include "ui/StartChecks.h"

namespace ui {

using namespace report;
using namespace install;
using namespace platform;
using namespace library;
using namespace store;

std::string driveLostText(const std::string& root, const std::vector<std::string>& left,
                          bool letters) {
    std::string text = "The drive " + driveNameOf(root, letters) +
                       (letters ? " was removed" : " was unmounted") +
                       " during the install: the install stopped, and nothing more was "
                       "written.\n";
    if (!left.empty()) {
        text +=
            "What it had written could not be removed once the drive was gone; these "
            "files may be left on the drive, named by no game:";
        for (const std::string& path : left)
            text += "\n    " + escapeControls(std::filesystem::path(path).filename().string());
        text += "\n";
    }
    return text + (letters ? "Plug the drive in again" : "Mount the drive again") +
           ", choose it in \"Hard Drive\" and use \"Check Drive\" in the list's menu: it "
           "removes what an install left.";
}

InstallResult runInstallJob(const InstallRequest& request, const FixedDrive& target,
                            DriveList& drives, FrontEnd& frontEnd, DiscOpener opener,
                            InstallCommand::FreeSpace freeSpace) {
    DriveWatch watch(frontEnd.progress, [&drives, target] { return drives.mountedAt(target); });
    FrontEnd watched{frontEnd.status, frontEnd.boxes, watch, frontEnd.out};
    InstallCommand command(watched, std::move(opener), std::move(freeSpace));
    // A failed or cancelled install removes the part files it wrote itself,
    // before the window may close.
    InstallResult result = command.install(request);
    if (watch.lost() || !drives.mountedAt(target)) {
        frontEnd.progress.hide();
        frontEnd.status.setText(platform::drivesHaveLetters()
                                    ? "The install stopped: the drive was removed"
                                    : "The install stopped: the drive was unmounted");
        // What it wrote could not be reached to be removed once the drive
        // was gone, whatever the removal said.
        const std::string lost = driveLostText(target.mountPoint, command.parts().removed);
        frontEnd.boxes.show(lost);
        return Failure<InstallStep>{InstallStep::DriveLost, target.mountPoint, lost};
    }
    return result;
}

}  // namespace ui
