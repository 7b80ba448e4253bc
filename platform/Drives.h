#pragma once
// The drives the window offers: optical drives to read discs from, and the
// mounted file systems of fixed disks to install onto or to format.

#include <string>
#include <vector>

namespace platform {

struct MountedVolume {
    std::string mountPoint;  // "/media/usb", escapes decoded
    std::string device;      // "/dev/sdb1", symbolic links resolved
    std::string fsType;      // "vfat", "fuseblk", "ext4", ...
    bool readOnly = false;   // mounted read-only (per mount or for the whole file system)
    bool removable = true;   // the kernel calls the device's disk removable, or does not know it
    std::string options;     // per-mount options as mounted ("rw,nosuid,relatime")
    std::string fsOptions;   // the file system's own ("rw,uid=1000,fmask=0022")
};

// Optical drives by device path ("/dev/sr0", "/dev/sr1", ...), in natural order
// (sr2 before sr10): block devices whose SCSI type is 5 (ROM) or named srN.
std::vector<std::string> opticalDrives();

// Mounted file systems whose source is a block device, by mount point. Pseudo file
// systems (proc, sysfs, tmpfs, overlay, ...) are left out because their source is
// no device, and so are bind mounts of a folder inside a file system (their mount
// point is not the file system's root). A device mounted whole at several places
// counts once, at the place it was mounted first; a mount hidden under a later
// mount on the same folder is left out.
std::vector<MountedVolume> mountedVolumes();

// The fixed drives: mounted volumes that are neither removable nor read-only.
std::vector<MountedVolume> fixedVolumes();
// The fixed drives among `volumes`, in their order.
std::vector<MountedVolume> fixedAmong(std::vector<MountedVolume> volumes);

// The device of the mount that holds `path` (the longest mount point above it,
// after resolving links); empty when the path does not exist or that mount has
// no block device (tmpfs, a network share).
std::string deviceHolding(const std::string& path);

// Whether `mountPoint` shows the file system of `device` now: a mount of that
// device's root at exactly that folder, not covered by a later mount. False
// once it was unmounted (the folder then shows the file system it lies on)
// or another device was mounted there. A drive chosen earlier is checked so
// before anything is written to it.
bool mountedAt(const std::string& mountPoint, const std::string& device);

// Unmounts the file system at `mountPoint` (without following a link there).
// False with the system's reason in `error`.
bool unmountVolume(const std::string& mountPoint, std::string& error);

// Whether this process may open `device` for writing; it is opened and closed
// again at once, nothing is written. On failure `error` holds the system's reason
// and `denied` is true when the reason is a missing permission (EACCES, EPERM).
bool canOpenForWriting(const std::string& device, bool& denied, std::string& error);

}  // namespace platform
