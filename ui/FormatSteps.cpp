#include "ui/FormatSteps.h"

#include "disk/FormatCommand.h"

namespace {

// What the progress window says where the formatted drive is now.
std::string remountText(const VolumeService::Remount& remount) {
    if (!remount.mounted)
        return "Formatted. The drive is not mounted.";
    if (remount.mountPoint.empty())
        return "Formatted. The drive is mounted again.";
    return "Formatted. The drive is mounted at " + remount.mountPoint;
}

// Unmounts the volume and writes FAT32 on it; false with what went wrong in
// `problem` (empty when the format command said it itself).
bool formatVolume(const FixedDrive& drive, VolumeService& volumes, const CanWriteDevice& canWrite,
                  std::ostream& out, std::string& problem) {
    if (!volumes.unmount(drive.device, drive.mountPoint, problem)) {
        problem = "The drive " + drive.mountPoint + " could not be unmounted: " + problem;
        return false;
    }
    bool denied = false;
    std::string reason;
    if (canWrite(drive.device, denied, reason)) {
        const char* argv[3] = {"", drive.device.c_str(), "FORMAT"};
        return FormatCommand(3, argv, out) == 1;
    }
    if (!denied) {
        problem = "The device " + drive.device + " cannot be opened for writing: " + reason;
        return false;
    }
    // Only the administrator may write the device: the installed format tool
    // runs with the rights that polkit grants.
    std::string startError;
    const int status = volumes.runPrivilegedFormat(drive.device, out, startError);
    if (status < 0)
        problem = "Writing to " + drive.device + " needs administrator rights (" + reason +
                  "), and they could not be asked for: " + startError;
    return status == 0;
}

}  // namespace

bool runFormatJob(const FixedDrive& drive, FormatJobWindow& window, VolumeService& volumes,
                  const CanWriteDevice& canWrite, FrontEnd& frontEnd) {
    if (!frontEnd.boxes.ask(formatWarningText(drive.device), false))
        return false;
    frontEnd.progress.show();
    frontEnd.progress.setRange(100);
    window.formatStarted();
    frontEnd.progress.bringToFront();

    std::string problem;
    if (!formatVolume(drive, volumes, canWrite, frontEnd.out, problem)) {
        window.formatEnded(false, "");
        frontEnd.progress.hide();
        if (!problem.empty())
            frontEnd.boxes.show(problem);
        frontEnd.boxes.show("Format Failed!!");
        return false;
    }
    const VolumeService::Remount remount = volumes.mountAgain(drive.device);
    window.formatEnded(true, remount.mountPoint);
    frontEnd.progress.setText(remountText(remount));
    frontEnd.progress.setPosition(100);
    frontEnd.progress.setButtonCaption("OK");
    if (!remount.mounted)
        frontEnd.boxes.show("The drive was formatted, but it could not be mounted again:\n" +
                            remount.error + "\nUnplug the drive and plug it in again, or mount " +
                            drive.device + " yourself.");
    return true;
}
