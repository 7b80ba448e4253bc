#include "ui/DriveList.h"

#include "store/DriveRoot.h"

bool DriveList::mountedAt(const FixedDrive& drive) {
    for (const FixedDrive& listed : fixedDrives()) {
        if (normalizeRoot(listed.mountPoint) == normalizeRoot(drive.mountPoint))
            return listed.device == drive.device;
    }
    return false;
}
