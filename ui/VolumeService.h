#pragma once
// How the window unmounts, mounts again and formats a volume, through the
// desktop's services where they run. A fake replaces it in tests.

#include <memory>
#include <ostream>
#include <string>

#include "store/Failure.h"

namespace ui {

// Unmounting has one step; a failure's object is the mount point, its reason
// the service's or the system's.
enum class UnmountStep { Unmount };

// Mounting again has one step; a failure's object is the device, its reason
// the service's or the system's.
enum class MountStep { Mount };

// Where the format tool run with the administrator's rights stopped; a
// failure's object is the device.
enum class PrivilegedFormatStep {
    Start,   // the elevator or the tool could not be started, or it ended by a signal
    Rights,  // the rights were not granted or could not be asked for (126, 127)
    Tool,    // the tool failed; an empty reason: what it printed says why
};
using PrivilegedFormatResult = store::Outcome<PrivilegedFormatStep>;

// The result of a run of the format tool that ended with `status` (-1: it
// could not be started or ended by a signal), `error` saying why where known.
inline PrivilegedFormatResult privilegedFormatResult(int status, const std::string& device,
                                                     std::string error) {
    if (status == 0)
        return {};
    const PrivilegedFormatStep step = status < 0 ? PrivilegedFormatStep::Start
                                      : status == 126 || status == 127
                                          ? PrivilegedFormatStep::Rights
                                          : PrivilegedFormatStep::Tool;
    return store::Failure<PrivilegedFormatStep>{step, device, std::move(error)};
}

class VolumeService {
  public:
    virtual ~VolumeService() = default;

    // Unmounts the file system of `device` mounted at `mountPoint`: through UDisks2
    // on the system bus when that service knows the device, else by the system
    // call.
    virtual store::Outcome<UnmountStep> unmount(const std::string& device,
                                                const std::string& mountPoint) = 0;

    // Where a volume was mounted again (empty when the service did not say),
    // or why it was not.
    using Remount = store::Result<std::string, MountStep>;

    // Mounts `device` again after a format (its first partition, when it is a
    // disk that was given a partition table), through UDisks2, which mounts drives
    // for the desktop and its user. Without it the drive stays unmounted and
    // the failure says why.
    virtual Remount mountAgain(const std::string& device) = 0;

    // How a volume was mounted before a format: where, its file system, and
    // its options as the mount table showed them.
    struct MountedAs {
        std::string mountPoint;
        std::string fsType;
        std::string options;    // per mount ("rw,nosuid,relatime")
        std::string fsOptions;  // the file system's own ("rw,uid=1000")
    };

    // Mounts `device` again after a format that failed, as it was: through
    // UDisks2 when UDisks2 had mounted it, else at its mount point with its
    // file system and options, as the administrator may (UDisks2 when that
    // is refused).
    virtual Remount mountWhereItWas(const std::string& device, const MountedAs& was) {
        (void)was;
        return mountAgain(device);
    }

    // Runs `<elevator> <format tool> --yes -- <device> FORMAT`. A failure says
    // whether it could not be started or ended by a signal, whether pkexec
    // refused (126: not authorised or dismissed, 127: no authentication
    // possible), or whether the tool failed, and why where known. What the tool
    // prints is appended to `out`, its standard output first, then its error
    // output.
    virtual PrivilegedFormatResult runPrivilegedFormat(const std::string& device,
                                                       std::ostream& out) = 0;

    // Why runPrivilegedFormat cannot run at all (the format tool or the
    // elevator missing); empty when it can. Asked before anything is unmounted.
    virtual std::string privilegedFormatProblem() { return {}; }
};

// The service of this system. `formatToolPath` is the installed zt_format (an
// absolute path, as the polkit action names it); `elevator` runs it with the
// administrator's rights.
std::unique_ptr<VolumeService> makeSystemVolumeService(const std::string& formatToolPath,
                                                       const std::string& elevator = "pkexec");

}  // namespace ui
