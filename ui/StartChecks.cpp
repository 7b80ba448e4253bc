#include "ui/StartChecks.h"

#include <algorithm>

#include "disk/DriveRefusal.h"
#include "library/GameFiles.h"
#include "platform/Volume.h"
#include "store/DriveRoot.h"
#include "store/GameEntry.h"
#include "ui/DriveOrder.h"

namespace ui {

using namespace disk;
using namespace library;
using namespace platform;
using namespace store;
using namespace install;
using namespace report;

namespace {

// The fixed drive the form chose: listed at its root with the chosen device.
std::optional<FixedDrive> chosenDrive(DriveList& drives, const InstallForm& form) {
    for (const FixedDrive& drive : drives.fixedDrives()) {
        if (normalizeRoot(drive.mountPoint) == normalizeRoot(form.targetRoot))
            return drive.device == form.targetDevice ? std::optional(drive) : std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::string driveNameOf(const std::string& root, bool letters) {
    return letters && root.size() >= 2 && root[1] == ':' ? root.substr(0, 2) : root;
}

std::string driveGoneText(const std::string& root, bool letters) {
    if (letters)
        return "The drive " + driveNameOf(root, letters) +
               " is gone: nothing was written to it.\n"
               "Plug the drive in again and choose it again in \"Hard Drive\".";
    return "The drive " + root +
           " is no longer mounted there: nothing was written to it.\n"
           "Connect the drive, mount it and choose it again in \"Hard Drive\".";
}

std::string formatGoneText(const std::string& chosenRoot, bool letters) {
    if (chosenRoot.rfind("/dev/", 0) == 0)
        return "The disk " + chosenRoot +
               " is gone or was mounted meanwhile; nothing was formatted.";
    if (letters)
        return "The drive " + driveNameOf(chosenRoot, letters) +
               " is gone; nothing was formatted. Plug the drive in again.";
    return "The drive " + chosenRoot + " is no longer mounted; nothing was formatted.";
}

std::string readOnlyDriveText(const std::string& root) {
    return "The drive " + root +
           " is mounted read-only: nothing can be installed onto it.\n"
           "Mount it with write access, or choose another drive.";
}

std::string notWritableDriveText(const std::string& root) {
    return "You may not change the drive " + root +
           ": its folder does not let your user write there, so nothing can be installed onto "
           "it.\nMount it for your user (as the desktop does for a USB drive), or choose another "
           "drive.";
}

std::string sourceMissingText(const std::string& source) {
    return "The source " + source +
           " cannot be found: choose the CD/DVD drive or the image file again.";
}

std::string formProblem(const InstallForm& form, const std::vector<std::string>& opticalDrives) {
    if (form.gameName.empty())
        return kNoNameText;
    if (form.targetRoot.empty())
        return kNoHardDrive;
    if (form.gameName.size() >= entry_layout::kDisplayNameSize)
        return kNameTooLongText;
    if (form.source.empty())
        return "Please choose a CD/DVD drive, or an image file through \"Image file...\".";
    const bool drive =
        std::find(opticalDrives.begin(), opticalDrives.end(), form.source) != opticalDrives.end();
    if (!drive && !platform::pathTaken(form.source))
        return sourceMissingText(form.source);
    return {};
}

std::optional<FixedDrive> driveToStart(MessageBoxes& boxes, const InstallForm& form,
                                       DriveList& drives) {
    const std::optional<FixedDrive> target = chosenDrive(drives, form);
    if (!target) {
        boxes.show(driveGoneText(form.targetRoot));
        return std::nullopt;
    }
    if (target->readOnly) {
        boxes.show(readOnlyDriveText(form.targetRoot));
        return std::nullopt;
    }
    if (!target->usable) {
        boxes.show(notWritableDriveText(form.targetRoot));
        return std::nullopt;
    }
    const std::string question = systemDriveQuestion(*target);
    if (!question.empty() && !boxes.ask(question, true))
        return std::nullopt;
    return target;
}

bool stillFreeToStart(MessageBoxes& boxes, const std::function<JobState()>& jobs,
                      const FixedDrive& target, const std::string& root, DriveList& drives) {
    if (!jobInTheWay(jobs(), false).empty())
        return false;
    if (!drives.mountedAt(target)) {
        boxes.show(driveGoneText(root));
        return false;
    }
    return true;
}

std::optional<InstallRequest> installToStart(MessageBoxes& boxes,
                                             const std::function<JobState()>& jobs,
                                             const std::function<InstallForm()>& readForm,
                                             DriveList& drives) {
    // The question comes first; a No reads nothing and starts nothing.
    if (!boxes.ask("Start Install?", false))
        return std::nullopt;
    const InstallForm form = readForm();
    if (form.gameName.empty()) {
        boxes.show(kNoNameText);
        return std::nullopt;
    }
    if (const std::string blocker = jobInTheWay(jobs(), false); !blocker.empty()) {
        boxes.show(blocker);
        return std::nullopt;
    }
    if (const std::string problem = formProblem(form, drives.opticalDrives()); !problem.empty()) {
        boxes.show(problem);
        return std::nullopt;
    }
    const std::optional<FixedDrive> target = driveToStart(boxes, form, drives);
    // Last, after every box: a job started while one was open wins, and the
    // chosen drive must still be the same device mounted at the same place.
    if (!target || !stillFreeToStart(boxes, jobs, *target, form.targetRoot, drives))
        return std::nullopt;
    return InstallRequest{form.source, form.targetRoot, form.gameName,
                          form.media == "DVD" ? Media::Dvd : Media::Cd};
}

std::string formatBlocker(const JobState& jobs, bool haveFixedDrive) {
    if (!haveFixedDrive)
        return kNoHardDrive;
    return jobInTheWay(jobs, false);
}

std::optional<FixedDrive> driveToFormat(const std::string& chosenRoot,
                                        const std::vector<FixedDrive>& fixed,
                                        const std::vector<std::string>& systemDevices,
                                        MessageBoxes& boxes) {
    const FixedDrive* drive = candidateFor(chosenRoot, fixed);
    if (drive == nullptr) {
        boxes.show(formatGoneText(chosenRoot));
        return std::nullopt;
    }
    if (std::string refusal = systemDriveRefusal(drive->device, drive->mountPoint, systemDevices);
        !refusal.empty()) {
        boxes.show(refusal);
        return std::nullopt;
    }
    return *drive;
}

std::optional<std::string> gameForCommand(const std::string& targetRoot,
                                          const std::optional<std::string>& selected,
                                          const FrontEnd& frontEnd) {
    if (targetRoot.empty()) {
        frontEnd.boxes.show(kNoHardDrive);
        return std::nullopt;
    }
    if (!requireSelection(selected, frontEnd))
        return std::nullopt;
    return selected;
}

bool listAfterRename(const RenameGameResult& result) {
    return !result.failedAt(RenameStep::NameTooLong) && !result.failedAt(RenameStep::NameTaken) &&
           !result.failedAt(RenameStep::FileTaken);
}

std::string webSiteFailureText(const std::string& url) {
    return "The web site " + url +
           " could not be opened: no web browser took it.\n"
           "Open the address in your web browser yourself.";
}

}  // namespace ui
