#pragma once
// Which mounted file system a drive's root is, so that a job writes only to
// the drive the person chose: a drive unmounted under it leaves its mount
// point behind as a plain folder of another drive, which must get nothing.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/SystemHandle.h"

namespace platform {

struct DriveIdentity {
    std::uint64_t device = 0;  // the file system's device (on Windows the volume's serial number)
    std::uint64_t folder = 0;  // the root folder's number on it (inode, file index)
    std::uint64_t mount = 0;   // the mount's ID on Linux; 0 where the system has none
    friend bool operator==(const DriveIdentity&, const DriveIdentity&) = default;
};

// The identity of the file system mounted at `root` now; nothing, with the
// system's reason in errno, when the root cannot be looked at.
std::optional<DriveIdentity> driveIdentity(const std::string& root);

// Whether `root` is still the mounted file system (device and mount) it was
// when `chosen` was taken.
bool sameDrive(const std::string& root, const DriveIdentity& chosen);

// DriveHold: no lock between programs (that is DriveLock, platform/DriveLock.h,
// taken by routines through DriveAccess, store/DriveAccess.h), but a guard of
// this job's own file operations against a drive swapped under it.
// Holds `root` for a job: while a DriveHold lives, every file operation on a
// path under `root` (platform/FaultPoint.h) first checks that the root is
// still the file system it was when the hold began, and fails with ENODEV
// when it is not. Move-only; holds nothing when the root cannot be looked at.
class DriveHold {
  public:
    DriveHold() = default;
    explicit DriveHold(const std::string& root);
    ~DriveHold() { release(); }
    DriveHold(DriveHold&& other) noexcept : token_(other.token_) { other.token_ = 0; }
    DriveHold& operator=(DriveHold&& other) noexcept;
    DriveHold(const DriveHold&) = delete;
    DriveHold& operator=(const DriveHold&) = delete;
    void release();

  private:
    std::uint64_t token_ = 0;
};

// False, with errno ENODEV, when `path` lies under a held root that is no
// longer the file system it was.
bool heldDriveStillThere(const std::string& path);

// Where an operation on `path` starts: under a held drive, the folder handle
// of its root, opened when the hold began, and the path below it ("." for
// the root itself), so that an unmount cannot send a single write to the
// folder that now has the root's name; elsewhere no handle (-1) and `path`.
// `keep` keeps the handle open while it is used.
struct HeldPath {
    std::intptr_t root = -1;
    std::string name;
    std::shared_ptr<const void> keep;
};
HeldPath heldPath(const std::string& path);

// Fails a file operation because the drive held at `root` is no longer the
// one the command began on: sets errno to ENODEV and keeps the drive's name
// for lastErrorText() (platform/FaultPoint.h).
bool driveChanged(const std::string& root);

// The name of the drive last found changed on this thread ("H:" for a
// drive letter's root, otherwise the root), empty when none was.
std::string changedDriveName();

// The system's side of a hold: the root folder's handle (invalid when it
// cannot be opened).
SystemHandle openRootHandle(const std::string& root);

}  // namespace platform
