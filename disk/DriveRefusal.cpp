#include "disk/DriveRefusal.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/DriveNames.h"
#include "platform/DriveUsers.h"
#include "store/ShownText.h"

namespace {

using platform::DriveUser;

// Mount points whose loss would stop the running system or a person's files.
bool holdsSystem(const std::string& mountPoint) {
    for (const char* folder : {"/", "/boot", "/home", "/usr", "/var"}) {
        std::string f = folder;
        if (mountPoint == f || (f != "/" && mountPoint.rfind(f + "/", 0) == 0))
            return true;
    }
    return false;
}

std::string describeUser(const DriveUser& user) {
    const std::string device = escapeControls(user.device);
    switch (user.kind) {
        case DriveUser::Kind::Mounted:
            // Windows: the system's volume is C:, which every user knows as Windows'.
            if (user.holdsSystem && !user.file.empty() && platform::drivesHaveLetters())
                return "this drive is on the same disk as Windows (" + device +
                       "): choose another drive";
            if (user.holdsSystem && !user.file.empty())
                return escapeControls(user.file) + " shares its disk with " + device + " (" +
                       escapeControls(user.mountPoint) +
                       "), which holds the running system: choose another drive";
            if (user.holdsSystem)
                return device + " (" + escapeControls(user.mountPoint) +
                       ") holds the running system: choose another drive";
            return device + " is mounted at " + escapeControls(user.mountPoint) +
                   (holdsSystem(user.mountPoint) ? " and holds the running system" : "") +
                   ": unmount it first";
        case DriveUser::Kind::Swap:
            return device + " is in use as swap: turn it off first (swapoff)";
        case DriveUser::Kind::Loop:
            return "the loop device " + device + " reads and writes " +
                   (user.sameFile ? "the same file, " + escapeControls(user.file)
                                  : escapeControls(user.file) + ", which lies on it") +
                   (user.mountPoint.empty()
                        ? ": detach it first (losetup -d " + device + ")"
                        : ", and is mounted at " + escapeControls(user.mountPoint) +
                              ": unmount it and detach it first");
        case DriveUser::Kind::Holder:
            return device + " (device mapper, RAID or LVM) is built on " +
                   escapeControls(user.file) + ": stop it first";
        case DriveUser::Kind::Claimed:
            return device +
                   " is held by the system (a file system mounted where this program cannot "
                   "see it, such as a lazily unmounted one or one of another mount namespace, "
                   "or a swap area on it): stop using it first";
        case DriveUser::Kind::Open:
            return device + " is held open by " + escapeControls(user.file) + " (process " +
                   std::to_string(user.pid) + "): stop it or unmount what it serves first";
    }
    return device;
}

}  // namespace

namespace {

// The device's users. A program that opens the device only for a moment
// (udev probing it, losetup looking for a free loop device) is no user: an
// opener counts only while it still holds the device a little later.
std::vector<DriveUser> lastingUsers(const std::string& device) {
    const auto isOpener = [](const DriveUser& user) { return user.kind == DriveUser::Kind::Open; };
    std::vector<DriveUser> users = platform::driveUsers(device);
    for (int look = 0; look < 3 && std::any_of(users.begin(), users.end(), isOpener); ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::vector<DriveUser> again = platform::driveUsers(device);
        std::erase_if(users, [&](const DriveUser& user) {
            return isOpener(user) && std::none_of(again.begin(), again.end(), [&](const DriveUser& later) {
                       return isOpener(later) && later.pid == user.pid;
                   });
        });
    }
    return users;
}

// The drive as a person names it: on Windows "H:" for the device \\.\H:.
std::string personsName(const std::string& shown) {
    const bool letterDevice = platform::drivesHaveLetters() && shown.size() == 6 &&
                              shown.rfind("\\\\.\\", 0) == 0 && shown[5] == ':';
    return letterDevice ? shown.substr(4) : shown;
}

std::string inUseText(const std::string& shown, const std::vector<DriveUser>& users) {
    std::string text = "The drive " + personsName(shown) + " is in use; nothing was written:\n";
    for (const DriveUser& user : users)
        text += "  " + describeUser(user) + ".\n";
    return text;
}

}  // namespace

std::string eraseRefusal(const std::string& drive) {
    const std::string shown = escapeControls(drive);
    std::string resolved;
    switch (platform::pathKind(drive, &resolved)) {
        case platform::PathKind::RegularFile:
        case platform::PathKind::BlockDevice:
            break;
        case platform::PathKind::Missing:
            return "There is no disk, partition or disk image file at " + shown + ".\n";
        case platform::PathKind::Directory:
            return shown + " is a folder, not a disk, a partition or a disk image file.\n";
        case platform::PathKind::CharacterDevice:
            return shown +
                   " is a character device; only a disk, a partition (block devices) or a disk "
                   "image file can be formatted.\n";
        case platform::PathKind::Other:
            return shown + " is not a disk, a partition or a disk image file.\n";
    }
    std::vector<DriveUser> users = lastingUsers(resolved);
    return users.empty() ? std::string() : inUseText(shown, users);
}

std::string inUseBesidesMount(const std::string& device, const std::string& mountPoint) {
    std::vector<DriveUser> users = lastingUsers(device);
    // The mount table may name the device by a link (/dev/mapper/...).
    const auto resolved = [](const std::string& path) {
        std::string real;
        return platform::pathKind(path, &real) == platform::PathKind::Missing ? path : real;
    };
    const std::string self = resolved(device);
    std::erase_if(users, [&](const DriveUser& user) {
        return user.kind == DriveUser::Kind::Mounted && !user.holdsSystem &&
               user.mountPoint == mountPoint && resolved(user.device) == self;
    });
    return users.empty() ? std::string() : inUseText(escapeControls(device), users);
}

std::string systemDriveRefusal(const std::string& device, const std::string& mountPoint,
                               const std::vector<std::string>& systemDevices) {
    for (const std::string& system : systemDevices) {
        if (system != device && !platform::sameDisk(system, device))
            continue;
        std::string text = "The drive " + mountPoint + " (" + device + ") ";
        text += system == device ? "holds" : "is on the disk that holds (" + system + ")";
        return text + " the running system or your home folder; it cannot be formatted.";
    }
    return {};
}
