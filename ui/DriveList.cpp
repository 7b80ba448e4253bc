#include "ui/DriveList.h"

#include <cstdint>
#include <iterator>

#include "report/ShownText.h"
#include "store/DriveRoot.h"
#include "ui/DriveOrder.h"
#include "ui/ShortDriveNames.h"

namespace ui {

using namespace store;
using namespace report;

bool DriveList::mountedAt(const FixedDrive& drive) {
    for (const FixedDrive& listed : fixedDrives()) {
        if (normalizeRoot(listed.mountPoint) == normalizeRoot(drive.mountPoint))
            return listed.device == drive.device;
    }
    return false;
}

std::vector<FixedDrive> formatCandidates(DriveList& drives) {
    std::vector<FixedDrive> candidates = drivesInOfferOrder(drives.fixedDrives());
    for (FixedDrive& disk : drives.unmountedDisks()) {
        disk.mountPoint.clear();
        candidates.push_back(std::move(disk));
    }
    return candidates;
}

std::string sizeText(std::uint64_t bytes) {
    // Whole numbers and tenths by hand: a locale's decimal comma stays out.
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB"};
    std::uint64_t tenths = bytes > UINT64_MAX / 10 ? bytes / 1024 * 10 : bytes * 10 / 1024;
    std::size_t unit = 0;
    while (tenths >= 10240 && unit + 1 < std::size(units)) {
        tenths /= 1024;
        ++unit;
    }
    std::string text = std::to_string(tenths / 10);
    if (tenths < 1000)
        text += "." + std::to_string(tenths % 10);
    return text + " " + units[unit];
}

std::vector<DriveRow> driveDialogRows(const std::vector<FixedDrive>& drives) {
    std::vector<std::string> mountPoints;
    for (const FixedDrive& drive : drives)
        mountPoints.push_back(drive.mountPoint);
    const std::vector<std::string> names = shortDriveNames(mountPoints);
    std::vector<DriveRow> rows;
    for (const FixedDrive& drive : drives) {
        const std::string& shortName = names[rows.size()];
        std::string about = drive.device;
        if (drive.bytes != 0)
            about += ", " + sizeText(drive.bytes);
        if (!drive.model.empty())
            about += ", " + escapeControls(drive.model);
        if (drive.mountPoint.empty()) {
            const std::string name = drive.device.substr(drive.device.rfind('/') + 1);
            // The list is narrow: the device's name and size, the model in the tooltip.
            rows.push_back({name + (drive.bytes != 0 ? " " + sizeText(drive.bytes) : ""),
                            about + ", not mounted", drive.device});
        } else {
            rows.push_back({shortName, drive.mountPoint + "  (" + about + ")",
                            normalizeRoot(drive.mountPoint)});
        }
    }
    return rows;
}

const FixedDrive* candidateFor(const std::string& key, const std::vector<FixedDrive>& candidates) {
    for (const FixedDrive& drive : candidates) {
        if (drive.mountPoint.empty() ? drive.device == key : normalizeRoot(drive.mountPoint) == key)
            return &drive;
    }
    return nullptr;
}

}  // namespace ui
