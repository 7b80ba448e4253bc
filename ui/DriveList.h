#pragma once
// The drives the window offers: optical drives as sources, and the mounted
// file systems of fixed disks (a USB hard disk is one, a USB stick is not) as
// targets. Tests put a fake in its place.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ui {

struct FixedDrive {
    std::string mountPoint;      // the drive root shown in the boxes; empty: a disk not mounted
    std::string device;          // the partition that holds it, or the whole disk
    bool usb = false;            // the disk is on a USB bus
    bool holdsSystem = false;    // it holds "/", the running system
    bool readOnly = false;       // mounted read-only: listed, but nothing is installed onto it
    bool usable = true;          // this user may list and change its root folder
    std::string fileSystem{};    // "ext4", "vfat", ... as mounted; empty when not mounted
    std::uint64_t bytes = 0;     // the size of `device`, 0 when unknown
    std::string model{};         // the disk's maker and model, or its image file
    std::string mountOptions{};  // per-mount options as mounted; empty when not mounted
    std::string fsOptions{};     // the file system's own options as mounted
};

class DriveList {
  public:
    virtual ~DriveList() = default;
    // Device paths of the optical drives, sorted.
    virtual std::vector<std::string> opticalDrives() = 0;
    // File systems of fixed disks, read-only ones too, sorted by mount point (the window
    // offers them in the order drivesInOfferOrder gives).
    virtual std::vector<FixedDrive> fixedDrives() = 0;
    // Whole disks a person may prepare although nothing of them is mounted (a
    // new USB hard disk, an attached disk image), with an empty mount point.
    virtual std::vector<FixedDrive> unmountedDisks() { return {}; }
    // The devices that hold "/", "/boot" and the user's home: never formatted.
    virtual std::vector<std::string> systemDevices() = 0;
    // Whether `drive` is still what its mount point shows: the same device
    // mounted there. By default, whether fixedDrives() still lists it so.
    virtual bool mountedAt(const FixedDrive& drive);
};

// What the format dialog offers: the mounted drives in offer order, then the
// disks that are not mounted.
std::vector<FixedDrive> formatCandidates(DriveList& drives);

// One row of a drive list (the hard-drive box, the drive dialog).
struct DriveRow {
    std::string text;     // short enough to tell drives apart
    std::string tooltip;  // the full path and what the drive is
    std::string key{};    // the drive dialog's answer: the drive's root, or a disk's device
};

// The drive dialog's rows for `drives`: a mounted drive by a short name of
// its mount point (shortDriveNames), a
// disk not mounted by its name and size; the tooltips add device, size and model.
std::vector<DriveRow> driveDialogRows(const std::vector<FixedDrive>& drives);

// The candidate that the dialog's `key` names; null when none does (any more).
const FixedDrive* candidateFor(const std::string& key, const std::vector<FixedDrive>& candidates);

// A size as a person reads it: "300 MB", "14.9 GB", "2.0 TB".
std::string sizeText(std::uint64_t bytes);

std::unique_ptr<DriveList> makeSystemDriveList();

}  // namespace ui
