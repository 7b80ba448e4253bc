#pragma once
// The window's format job, step by step: the warning, the unmount, the
// format (by this process where it may write the device, else by the
// installed format tool with the administrator's rights), and the mount
// afterwards. No toolkit: each window says through FormatJobWindow what it
// disables and shows.

#include <functional>
#include <string>

#include "store/FrontEnd.h"
#include "ui/DriveList.h"
#include "ui/VolumeService.h"

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

// Whether this process may write `device`; false with the reason, and whether
// the reason is a missing permission.
using CanWriteDevice =
    std::function<bool(const std::string& device, bool& denied, std::string& error)>;

// Why FORMAT would refuse a device's partition table; empty when it would
// not or cannot tell (disk/FormatCommand.h: formatLayoutProblem).
using LayoutCheck = std::function<std::string(const std::string& device)>;

// The job, on its worker thread. First, with the drive still mounted, what
// can be known: that the device can be written (by this process, or by the
// format tool through the elevator) and has a partition to format; a
// refusal says why and changes nothing. Then the warning (No changes
// nothing), and the format of `drive` with the progress window shown; says
// where the drive is mounted again, or that it is not. After a failure the
// drive is mounted again, and the box says what went wrong and where the
// drive is before "Format Failed!!". True when the drive was formatted.
bool runFormatJob(const FixedDrive& drive, FormatJobWindow& window, VolumeService& volumes,
                  const CanWriteDevice& canWrite, FrontEnd& frontEnd,
                  const LayoutCheck& layoutProblem = {});
