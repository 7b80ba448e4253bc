#include "ui/FormatSteps.h"

#include <sstream>

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

// What can be known before the drive is unmounted: why the format cannot
// be done (empty when it can), and why only the format tool may write
// (`denial`, empty when this process may).
std::string formatRefusal(const FixedDrive& drive, VolumeService& volumes,
                          const CanWriteDevice& canWrite, const LayoutCheck& layoutProblem,
                          std::string& denial) {
    bool denied = false;
    std::string reason;
    denial.clear();
    if (canWrite(drive.device, denied, reason))
        return layoutProblem ? layoutProblem(drive.device) : std::string();
    if (!denied)
        return "The device " + drive.device + " cannot be opened for writing: " + reason;
    // Only the administrator may write the device: the installed format tool
    // runs with the rights that polkit grants.
    if (std::string problem = volumes.privilegedFormatProblem(); !problem.empty())
        return "Writing to " + drive.device + " needs administrator rights (" + reason +
               "), and they cannot be asked for: " + problem;
    denial = reason.empty() ? "no permission" : reason;
    return {};
}

// The lines a format printed, without its closing verdict: why it failed.
std::string reasonIn(const std::string& printed) {
    std::string reason;
    std::istringstream lines(printed);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line != "Disk format failed" && line != "failed.")
            reason += line + "\n";
    }
    return reason;
}

// Unmounts the volume and writes FAT32 on it; false with what went wrong in
// `problem`, and whether the drive was unmounted. What the format prints
// goes to `out` too.
bool formatVolume(const FixedDrive& drive, VolumeService& volumes, const std::string& denial,
                  std::ostream& out, std::string& problem, bool& unmounted) {
    unmounted = volumes.unmount(drive.device, drive.mountPoint, problem);
    if (!unmounted) {
        problem = "The drive " + drive.mountPoint + " could not be unmounted: " + problem;
        return false;
    }
    std::ostringstream printed;
    bool formatted = false;
    if (denial.empty()) {
        const char* argv[3] = {"", drive.device.c_str(), "FORMAT"};
        formatted = FormatCommand(3, argv, printed) == 1;
    } else {
        std::string startError;
        const int status = volumes.runPrivilegedFormat(drive.device, printed, startError);
        formatted = status == 0;
        problem = startError;
        if (status < 0)
            problem = "Writing to " + drive.device + " needs administrator rights (" + denial +
                      "), and they could not be asked for: " + startError;
    }
    out << printed.str();
    if (!formatted && problem.empty())
        problem = reasonIn(printed.str());
    return formatted;
}

// Where the drive is after a failed format, once it was mounted again.
std::string whereAfterFailure(const FixedDrive& drive, VolumeService& volumes) {
    const VolumeService::Remount remount = volumes.mountAgain(drive.device);
    if (!remount.mounted)
        return "The drive could not be mounted again: " + remount.error;
    return "The drive is mounted again at " +
           (remount.mountPoint.empty() ? drive.mountPoint : remount.mountPoint) + ".";
}

}  // namespace

bool runFormatJob(const FixedDrive& drive, FormatJobWindow& window, VolumeService& volumes,
                  const CanWriteDevice& canWrite, FrontEnd& frontEnd,
                  const LayoutCheck& layoutProblem) {
    std::string denial;
    if (const std::string refusal = formatRefusal(drive, volumes, canWrite, layoutProblem, denial);
        !refusal.empty()) {
        frontEnd.boxes.show(refusal);
        return false;
    }
    if (!frontEnd.boxes.ask(formatWarningText(drive.device), false))
        return false;
    frontEnd.progress.show();
    frontEnd.progress.setRange(100);
    window.formatStarted();
    frontEnd.progress.bringToFront();

    std::string problem;
    bool unmounted = false;
    if (!formatVolume(drive, volumes, denial, frontEnd.out, problem, unmounted)) {
        // An unmount that failed left the drive where it was.
        if (unmounted) {
            if (!problem.empty() && problem.back() != '\n')
                problem += "\n";
            problem += whereAfterFailure(drive, volumes);
        }
        window.formatEnded(false, "");
        frontEnd.progress.hide();
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
