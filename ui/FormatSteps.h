#pragma once
// The window's format job, step by step: the warning, the unmount, the
// format (by this process where it may write the device, else by the
// installed format tool with the administrator's rights), and the mount
// afterwards. No toolkit: each window says through FormatJobWindow what it
// disables and shows.

#include <functional>
#include <string>

#include "platform/DriveNames.h"
#include "report/FrontEnd.h"
#include "store/Failure.h"
#include "ui/DriveList.h"
#include "ui/VolumeService.h"

namespace ui {

// What a window does as its format job begins and ends.
class FormatJobWindow {
  public:
    virtual ~FormatJobWindow() = default;
    // The format begins: "Format..." disabled, the busy flag set, the window
    // disabled behind the progress window.
    virtual void formatStarted() = 0;
    // It ended: "Format..." enabled and the busy flag cleared. After a failure
    // the window is given back; after a success it stays disabled until the
    // progress window's "OK", and lists its drives again, with the formatted
    // one at `mountPoint` (empty: where it was) selected.
    virtual void formatEnded(bool formatted, const std::string& mountPoint) = 0;
};

// Why this process may not write a device: a missing permission, or another
// reason. A failure's object is the device, its reason the system's.
enum class DeviceWriteStep { Denied, Open };
using DeviceWriteResult = store::Outcome<DeviceWriteStep>;

// Whether this process may write `device`.
using CanWriteDevice = std::function<DeviceWriteResult(const std::string& device)>;

// Whether this process may write `device`, as this system says.
DeviceWriteResult canWriteOnThisSystem(const std::string& device);

// What the checks before a format find, with the drive still as it is.
struct DriveFindings {
    std::string refusal;     // why it cannot be formatted now; empty when it can
    std::string initReason;  // why its disk needs a new partition table first
};
using DriveCheck = std::function<DriveFindings(const FixedDrive&)>;

// The checks of this system: what uses the drive besides its own mount
// (disk/DriveRefusal.h), and whether FORMAT finds a partition on it
// (disk/FormatCommand.h); a whole disk without one may be initialised.
DriveFindings checkDriveForFormat(const FixedDrive& drive);

// The one question asked before a disk is initialised and formatted; it
// names the disk and what is erased.
std::string initQuestionText(const FixedDrive& drive, const std::string& reason);

// The drive the format's warning names: its letter where drives have
// letters (E for \\.\E:), else its device.
std::string formatDriveName(const FixedDrive& drive, bool letters = platform::drivesHaveLetters());

// The job, on its worker thread. First, with the drive still mounted, what
// can be known: that the device can be written (by this process, or by the
// format tool through the elevator), that nothing else uses it, and that it
// has a partition to format; a refusal says why and changes nothing. Then
// one question (No changes nothing): the warning, or for a whole disk
// without a partition to format, whether to initialise it first. Then the
// drive is unmounted, initialised when so answered, formatted with the
// progress window shown, and mounted; the progress window says where, or a
// box that it is not. After a failure the drive is mounted again where it
// was, and the box says what went wrong and where the drive is before
// "Format Failed!!". True when the drive was formatted.
bool runFormatJob(const FixedDrive& drive, FormatJobWindow& window, VolumeService& volumes,
                  const CanWriteDevice& canWrite, report::FrontEnd& frontEnd,
                  const DriveCheck& check = {});

}  // namespace ui
