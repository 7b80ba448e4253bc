#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

#include "platform/DescriptorPosix.h"
#include "platform/DrivesPosix.h"
#include "platform/MountInfo.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// Device-mapper stacks are a few levels deep; a deeper chain is taken as damaged.
constexpr int kMaxStackDepth = 8;
// The kernel's mount table of a busy machine is well under this.
constexpr std::streamsize kMaxMountInfoBytes = 16 << 20;

std::string systemReason(int error) {
    return std::system_category().message(error);
}

std::string readMountInfo() {
    std::ifstream in("/proc/self/mountinfo", std::ios::binary);
    std::string text;
    char buffer[65536];
    while (in && static_cast<std::streamsize>(text.size()) < kMaxMountInfoBytes) {
        in.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    // Stopped at the limit: drop the half line, whose options may have lost their "ro".
    if (in) {
        std::size_t lastLineEnd = text.rfind('\n');
        text.erase(lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1);
    }
    return text;
}

// First line of a small sysfs attribute; false when it cannot be read.
bool readAttribute(const fs::path& path, std::string& value) {
    std::ifstream in(path);
    return static_cast<bool>(std::getline(in, value));
}

bool isDeviceNumber(const std::string& text) {
    std::size_t colon = text.find(':');
    auto digits = [](std::string_view s) {
        return !s.empty() && s.size() <= 9 &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return colon != std::string::npos && digits(std::string_view(text).substr(0, colon)) &&
           digits(std::string_view(text).substr(colon + 1));
}

// The sysfs folder of a block device, found by its kernel name or, failing that,
// by the device number that the mount table gives ("8:17"; major 0 is no device).
std::optional<fs::path> sysNodeOf(const std::string& device, const std::string& majorMinor,
                                  const std::string& sysRoot) {
    std::error_code error;
    std::string name = fs::path(device).lexically_normal().filename().string();
    if (!name.empty() && name != "." && name != "..") {
        fs::path node = fs::canonical(fs::path(sysRoot) / "class" / "block" / name, error);
        if (!error)
            return node;
    }
    if (isDeviceNumber(majorMinor) && majorMinor.rfind("0:", 0) != 0) {
        fs::path node = fs::canonical(fs::path(sysRoot) / "dev" / "block" / majorMinor, error);
        if (!error)
            return node;
    }
    return std::nullopt;
}

// A partition's 'removable' is its disk's; a mapped device (dm, md) is removable
// when any device beneath it is, so an encrypted USB stick stays a removable drive.
bool nodeRemovable(const fs::path& node, const std::string& sysRoot, int depth) {
    std::error_code error;
    fs::path disk = fs::exists(node / "partition", error) ? node.parent_path() : node;
    std::string value;
    if (!readAttribute(disk / "removable", value) || value != "0")
        return true;
    fs::directory_iterator slaves(disk / "slaves", error);
    if (error)
        return false;
    for (const fs::directory_entry& slave : slaves) {
        if (depth >= kMaxStackDepth)
            return true;
        std::optional<fs::path> below = sysNodeOf(slave.path().filename().string(), "", sysRoot);
        if (!below || nodeRemovable(*below, sysRoot, depth + 1))
            return true;
    }
    return false;
}

// A USB host's root hub is "usbN" in the device tree; every disk behind it lies
// below that folder, and the disk's own folder below a "block" one.
bool underUsbHost(const fs::path& node, const std::string& sysRoot) {
    const fs::path root = fs::weakly_canonical(sysRoot);
    for (const fs::path& part : node.lexically_relative(root)) {
        const std::string name = part.string();
        if (name == "block")
            return false;
        if (name.size() > 3 && name.rfind("usb", 0) == 0 &&
            std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return true;
    }
    return false;
}

bool nodeOnUsb(const fs::path& node, const std::string& sysRoot, int depth) {
    if (underUsbHost(node, sysRoot))
        return true;
    std::error_code error;
    fs::directory_iterator slaves(node / "slaves", error);
    if (error || depth >= kMaxStackDepth)
        return false;
    for (const fs::directory_entry& slave : slaves) {
        std::optional<fs::path> below = sysNodeOf(slave.path().filename().string(), "", sysRoot);
        if (below && nodeOnUsb(*below, sysRoot, depth + 1))
            return true;
    }
    return false;
}

// The block device a mount reads from, links resolved; empty when its source is
// no device node (proc, tmpfs, a network share, /dev/fuse).
std::string mountDevice(const MountEntry& entry, const std::string& sysRoot) {
    if (entry.source.rfind("/dev/", 0) != 0)
        return "";
    std::error_code error;
    fs::path real = fs::canonical(entry.source, error);
    if (!error)
        return fs::is_block_file(real, error) ? real.string() : "";
    // A name that /dev does not hold (such as /dev/root): the device number tells which.
    if (isDeviceNumber(entry.majorMinor) && entry.majorMinor.rfind("0:", 0) != 0) {
        fs::path node =
            fs::canonical(fs::path(sysRoot) / "dev" / "block" / entry.majorMinor, error);
        if (!error)
            return "/dev/" + node.filename().string();
    }
    return fs::path(entry.source).lexically_normal().string();
}

bool mountReadOnly(const MountEntry& entry) {
    return hasMountOption(entry.mountOptions, "ro") || hasMountOption(entry.superOptions, "ro");
}

}  // namespace

std::vector<std::string> opticalDrivesFrom(const std::string& sysRoot) {
    std::vector<std::string> drives;
    std::error_code error;
    fs::directory_iterator blocks(fs::path(sysRoot) / "class" / "block", error);
    if (error)
        return drives;
    for (const fs::directory_entry& entry : blocks) {
        std::string name = entry.path().filename().string();
        std::string type;
        bool rom = readAttribute(entry.path() / "device" / "type", type) && type == "5";
        bool srName =
            name.size() > 2 && name.rfind("sr", 0) == 0 &&
            std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
        if ((rom || srName) && !fs::exists(entry.path() / "partition", error))
            drives.push_back("/dev/" + name);
    }
    std::sort(drives.begin(), drives.end(),
              [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    return drives;
}

std::vector<std::string> opticalDrives() {
    return opticalDrivesFrom("/sys");
}

bool isRemovableDevice(const std::string& device, const std::string& sysRoot) {
    std::optional<fs::path> node = sysNodeOf(device, "", sysRoot);
    return !node || nodeRemovable(*node, sysRoot, 0);
}

bool isUsbDevice(const std::string& device, const std::string& sysRoot) {
    std::optional<fs::path> node = sysNodeOf(device, "", sysRoot);
    return node && nodeOnUsb(*node, sysRoot, 0);
}

std::vector<MountedVolume> mountedVolumesFrom(const std::string& mountInfo,
                                              const std::string& sysRoot) {
    std::vector<MountEntry> entries = parseMountInfo(mountInfo);
    std::vector<bool> hidden = hiddenMounts(entries);
    std::vector<MountedVolume> volumes;
    std::set<std::string> devices;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MountEntry& entry = entries[i];
        // A bound folder is not the drive's root: the table would land inside it.
        if (hidden[i] || entry.root != "/")
            continue;
        std::string device = mountDevice(entry, sysRoot);
        if (device.empty() || !devices.insert(device).second)
            continue;
        MountedVolume volume;
        volume.mountPoint = entry.mountPoint;
        volume.device = device;
        volume.fsType = entry.fsType;
        volume.readOnly = mountReadOnly(entry);
        volume.options = entry.mountOptions;
        volume.fsOptions = entry.superOptions;
        std::optional<fs::path> node = sysNodeOf(device, entry.majorMinor, sysRoot);
        volume.removable = !node || nodeRemovable(*node, sysRoot, 0);
        volumes.push_back(std::move(volume));
    }
    std::sort(volumes.begin(), volumes.end(), [](const MountedVolume& a, const MountedVolume& b) {
        return a.mountPoint < b.mountPoint;
    });
    return volumes;
}

std::vector<MountedVolume> mountedVolumes() {
    return mountedVolumesFrom(readMountInfo());
}

std::vector<MountedVolume> fixedVolumesFrom(const std::string& mountInfo,
                                            const std::string& sysRoot) {
    return fixedAmong(mountedVolumesFrom(mountInfo, sysRoot));
}

std::string deviceHoldingFrom(const std::string& mountInfo, const std::string& resolvedPath,
                              const std::string& sysRoot) {
    std::vector<MountEntry> entries = parseMountInfo(mountInfo);
    std::vector<bool> hidden = hiddenMounts(entries);
    const MountEntry* best = nullptr;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MountEntry& entry = entries[i];
        if (hidden[i] || !isPathUnder(resolvedPath, entry.mountPoint))
            continue;
        if (!best || entry.mountPoint.size() >= best->mountPoint.size())
            best = &entry;
    }
    return best ? mountDevice(*best, sysRoot) : "";
}

std::string deviceHolding(const std::string& path) {
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    if (error)
        return "";
    return deviceHoldingFrom(readMountInfo(), real.string());
}

bool mountedAtFrom(const std::string& mountInfo, const std::string& mountPoint,
                   const std::string& device, const std::string& sysRoot) {
    std::string folder = mountPoint;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::vector<MountEntry> entries = parseMountInfo(mountInfo);
    std::vector<bool> hidden = hiddenMounts(entries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!hidden[i] && entries[i].mountPoint == folder)
            return entries[i].root == "/" && mountDevice(entries[i], sysRoot) == device;
    }
    return false;
}

bool mountedAt(const std::string& mountPoint, const std::string& device) {
    return !device.empty() && mountedAtFrom(readMountInfo(), mountPoint, device);
}

bool unmountVolume(const std::string& mountPoint, std::string& error) {
    if (::umount2(mountPoint.c_str(), UMOUNT_NOFOLLOW) == 0)
        return true;
    error = systemReason(errno);
    return false;
}

bool canOpenForWriting(const std::string& device, bool& denied, std::string& error) {
    denied = false;
    const Descriptor fd(::open(device.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) {
        int reason = errno;
        denied = reason == EACCES || reason == EPERM;
        error = systemReason(reason);
        return false;
    }
    return true;
}

}  // namespace platform
