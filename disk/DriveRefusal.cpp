#include "disk/DriveRefusal.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/DriveNames.h"
#include "platform/DriveUsers.h"
#include "report/ShownText.h"

namespace disk {

using namespace platform;
using namespace report;

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
        case DriveUser::Kind::Mapped:
            return device + " is mapped into the memory of " + escapeControls(user.file) +
                   " (process " + std::to_string(user.pid) + "): stop it first";
    }
    return device;
}

}  // namespace

namespace {

// How often, and how far apart, the device's openers are looked at: about a second.
constexpr int kLooks = 7;
constexpr std::chrono::milliseconds kBetweenLooks{150};

bool isOpener(const DriveUser& user) {
    return user.kind == DriveUser::Kind::Open || user.kind == DriveUser::Kind::Mapped;
}

// The device's users. A program that opens the device once for a moment
// (udev or blkid probing it, losetup looking for a free loop device) is no
// user; one seen holding it in two looks is, even when it closes and opens
// it again in between, or holds it in turns with a second handle.
std::vector<DriveUser> lastingUsers(const std::string& device) {
    std::vector<std::pair<DriveUser, int>> openers;  // each with the looks that saw it
    const auto count = [&](const std::vector<DriveUser>& seen) {
        bool lasting = false;
        for (const DriveUser& user : seen) {
            if (!isOpener(user))
                continue;
            auto known = std::find_if(openers.begin(), openers.end(), [&](const auto& o) {
                return o.first.pid == user.pid && o.first.device == user.device;
            });
            if (known == openers.end())
                openers.emplace_back(user, 1);
            else
                lasting = ++known->second >= 2 || lasting;
        }
        return lasting;
    };
    std::vector<DriveUser> users = platform::driveUsers(device);
    bool lasting = count(users);
    std::erase_if(users, isOpener);
    for (int look = 1; look < kLooks && !lasting; ++look) {
        std::this_thread::sleep_for(kBetweenLooks);
        lasting = count(platform::driveUsers(device));
    }
    for (const auto& [user, looks] : openers)
        if (looks >= 2)
            users.push_back(user);
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

}  // namespace disk
