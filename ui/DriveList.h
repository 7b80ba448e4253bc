#pragma once
// The drives the window offers: optical drives as sources, and the mounted
// file systems of fixed disks (a USB hard disk is one, a USB stick is not) as
// targets. Tests put a fake in its place.

#include <memory>
#include <string>
#include <vector>

struct FixedDrive {
    std::string mountPoint;    // the drive root shown in the boxes
    std::string device;        // the partition that holds it
    bool usb = false;          // the disk is on a USB bus
    bool holdsSystem = false;  // it holds "/", the running system
    bool readOnly = false;     // mounted read-only: listed, but nothing is installed onto it
    bool usable = true;        // this user may list and change its root folder
};

class DriveList {
  public:
    virtual ~DriveList() = default;
    // Device paths of the optical drives, sorted.
    virtual std::vector<std::string> opticalDrives() = 0;
    // File systems of fixed disks, read-only ones too, sorted by mount point (the window
    // offers them in the order drivesInOfferOrder gives).
    virtual std::vector<FixedDrive> fixedDrives() = 0;
    // The devices that hold "/", "/boot" and the user's home: never formatted.
    virtual std::vector<std::string> systemDevices() = 0;
    // Whether `drive` is still what its mount point shows: the same device
    // mounted there. By default, whether fixedDrives() still lists it so.
    virtual bool mountedAt(const FixedDrive& drive);
};

std::unique_ptr<DriveList> makeSystemDriveList();
