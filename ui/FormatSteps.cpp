#include "ui/FormatSteps.h"

#include <sstream>

#include "disk/DriveRefusal.h"
#include "disk/FormatCommand.h"
#include "disk/ToolFailure.h"
#include "platform/Drives.h"
#include "report/ShownText.h"

namespace ui {

using namespace disk;
using namespace report;
using namespace platform;
using namespace store;

namespace {

// What the progress window says where the formatted drive is now.
std::string remountText(const VolumeService::Remount& remount) {
    if (!remount)
        return "Formatted. The drive is not mounted.";
    if (remount.value().empty())
        return "Formatted. The drive is mounted again.";
    return "Formatted. The drive is mounted at " + remount.value();
}

std::string withNewline(std::string text) {
    if (!text.empty() && text.back() != '\n')
        text += "\n";
    return text;
}

// What the checks found before anything is unmounted: why the format cannot
// be done (empty when it can), why only the format tool may write
// (`denial`, empty when this process may), and why the disk needs INIT.
std::string formatRefusal(const FixedDrive& drive, VolumeService& volumes,
                          const CanWriteDevice& canWrite, const DriveCheck& check,
                          std::string& denial, std::string& initReason) {
    denial.clear();
    initReason.clear();
    if (const DeviceWriteResult writable = canWrite(drive.device); !writable) {
        const std::string& reason = writable.failure().reason;
        if (!writable.failedAt(DeviceWriteStep::Denied))
            return "The device " + drive.device + " cannot be opened for writing: " + reason;
        // Only the administrator may write the device: the installed format
        // tool runs with the rights that polkit grants.
        if (std::string problem = volumes.privilegedFormatProblem(); !problem.empty())
            return "Writing to " + drive.device + " needs administrator rights (" + reason +
                   "), and they cannot be asked for: " + problem;
        denial = reason.empty() ? "no permission" : reason;
    }
    const DriveFindings found = check ? check(drive) : DriveFindings{};
    if (!found.refusal.empty())
        return found.refusal;
    initReason = found.initReason;
    // The tool run with the administrator's rights formats, and nothing else.
    if (!initReason.empty() && !denial.empty())
        return withNewline(initReason) + "Initialising " + drive.device +
               " needs administrator rights, which the window asks for only to format: run "
               "\"zt_format " +
               drive.device + " INIT\" as root first.";
    return {};
}

// Why a command failed, as the box says it: whole lines.
std::string reasonOf(const FormatResult& result) {
    const std::string& reason = result.failure().reason;
    return reason.empty() ? "The command gave no reason.\n" : withNewline(reason);
}

// Runs INIT or FORMAT on `device` in this process, printing its steps to `out`.
FormatResult runCommand(const std::string& device, DiskCommandMode mode, std::ostream& out) {
    return formatDrive(FormatRequest{device, mode}, out);
}

// Why the format tool run as administrator failed, as it marked it.
std::string privilegedFailure(const std::string& printed) {
    const std::string reason = markedReason(printed);
    return reason.empty() ? "The command gave no reason.\n" : reason;
}

// Unmounts the volume (when mounted), gives the disk a partition table when
// `init`, and writes FAT32 on it; says what went wrong, and whether the drive
// was unmounted. What the commands print goes to `out`.
FormatResult formatVolume(const FixedDrive& drive, bool init, VolumeService& volumes,
                          const std::string& denial, std::ostream& out, bool& unmounted) {
    unmounted = false;
    if (!drive.mountPoint.empty()) {
        if (const auto unmount = volumes.unmount(drive.device, drive.mountPoint); !unmount)
            return Failure<FormatStep>{FormatStep::Unmount, drive.mountPoint,
                                       "The drive " + drive.mountPoint +
                                           " could not be unmounted: " + unmount.failure().reason};
        unmounted = true;
    }
    // INIT when asked for; FORMAT here when this process may write, else by the tool.
    for (const DiskCommandMode mode : {kDiskCommandInit, kDiskCommandFormat}) {
        if (mode == kDiskCommandInit ? !init : !denial.empty())
            continue;
        if (const FormatResult result = runCommand(drive.device, mode, out); !result)
            return Failure<FormatStep>{result.failure().step, drive.device, reasonOf(result)};
    }
    if (denial.empty())
        return {};
    std::ostringstream printed;
    const PrivilegedFormatResult ran = volumes.runPrivilegedFormat(drive.device, printed);
    out << printed.str();
    if (ran)
        return {};
    std::string problem = ran.failure().reason;
    if (ran.failedAt(PrivilegedFormatStep::Start))
        problem = "Writing to " + drive.device + " needs administrator rights (" + denial +
                  "), and they could not be asked for: " + problem;
    return Failure<FormatStep>{FormatStep::Write, drive.device,
                               problem.empty() ? privilegedFailure(printed.str()) : problem};
}

// Where the drive is after a failed format, once it was mounted again.
std::string whereAfterFailure(const FixedDrive& drive, VolumeService& volumes) {
    const VolumeService::Remount remount = volumes.mountWhereItWas(
        drive.device, {drive.mountPoint, drive.fileSystem, drive.mountOptions, drive.fsOptions});
    if (!remount)
        return "The drive could not be mounted again: " + remount.failure().reason;
    return "The drive is mounted again at " +
           (remount.value().empty() ? drive.mountPoint : remount.value()) + ".";
}

// The disk as a person knows it: "/dev/sdb (14.9 GB, WD Elements)".
std::string diskName(const FixedDrive& drive) {
    std::string about;
    if (drive.bytes != 0)
        about = sizeText(drive.bytes);
    if (!drive.model.empty())
        about += (about.empty() ? "" : ", ") + escapeControls(drive.model);
    return drive.device + (about.empty() ? "" : " (" + about + ")");
}

}  // namespace

DeviceWriteResult canWriteOnThisSystem(const std::string& device) {
    bool denied = false;
    std::string error;
    if (platform::canOpenForWriting(device, denied, error))
        return {};
    return Failure<DeviceWriteStep>{denied ? DeviceWriteStep::Denied : DeviceWriteStep::Open,
                                    device, error};
}

DriveFindings checkDriveForFormat(const FixedDrive& drive) {
    DriveFindings found;
    found.refusal = drive.mountPoint.empty() ? eraseRefusal(drive.device)
                                             : inUseBesidesMount(drive.device, drive.mountPoint);
    if (!found.refusal.empty())
        return found;
    bool initHelps = false;
    const std::string problem = formatLayoutProblem(drive.device, &initHelps);
    (initHelps ? found.initReason : found.refusal) = problem;
    return found;
}

std::string initQuestionText(const FixedDrive& drive, const std::string& reason) {
    std::string erased = "ALL data on the disk: its partition table and every file on it";
    if (!drive.mountPoint.empty())
        erased += ", the drive mounted at " + drive.mountPoint + " included";
    return withNewline(reason.substr(0, reason.find('\n'))) + "\nInitialise the disk " +
           diskName(drive) + " with a new partition table and format it as FAT32?\nThis erases " +
           erased + ".";
}

std::string formatDriveName(const FixedDrive& drive, bool letters) {
    const std::string& device = drive.device;
    if (letters && device.size() == 6 && device.rfind("\\\\.\\", 0) == 0 && device[5] == ':')
        return device.substr(4, 1);
    return device;
}

bool runFormatJob(const FixedDrive& drive, FormatJobWindow& window, VolumeService& volumes,
                  const CanWriteDevice& canWrite, FrontEnd& frontEnd, const DriveCheck& check) {
    std::string denial;
    std::string initReason;
    if (const std::string refusal =
            formatRefusal(drive, volumes, canWrite, check, denial, initReason);
        !refusal.empty()) {
        frontEnd.boxes.show(refusal);
        return false;
    }
    const bool init = !initReason.empty();
    const std::string question =
        init ? initQuestionText(drive, initReason) : formatWarningText(formatDriveName(drive));
    // Initialising is asked with No as the default: a wrong disk loses all its partitions.
    if (!frontEnd.boxes.ask(question, init))
        return false;
    frontEnd.progress.show();
    frontEnd.progress.setRange(100);
    window.formatStarted();
    frontEnd.progress.bringToFront();

    bool unmounted = false;
    if (const FormatResult formatted =
            formatVolume(drive, init, volumes, denial, frontEnd.out, unmounted);
        !formatted) {
        std::string problem = formatted.failure().reason;
        // An unmount that failed left the drive where it was.
        if (unmounted)
            problem = withNewline(problem) + whereAfterFailure(drive, volumes);
        window.formatEnded(false, "");
        frontEnd.progress.hide();
        frontEnd.boxes.show(problem);
        frontEnd.boxes.show("Format Failed!!");
        return false;
    }
    const VolumeService::Remount remount = volumes.mountAgain(drive.device);
    window.formatEnded(true, remount ? remount.value() : std::string());
    frontEnd.progress.setText(remountText(remount));
    frontEnd.progress.setPosition(100);
    frontEnd.progress.setButtonCaption("OK");
    if (!remount)
        frontEnd.boxes.show("The drive was formatted, but it could not be mounted again:\n" +
                            remount.failure().reason +
                            "\nUnplug the drive and plug it in again, or mount " + drive.device +
                            " yourself.");
    return true;
}

}  // namespace ui
