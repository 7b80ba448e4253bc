#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "platform/DisksPosix.h"
#include "platform/Drives.h"
#include "platform/DrivesPosix.h"
#include "platform/MountInfo.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// A sysfs attribute's first line without the blanks the kernel pads it with;
// bounded, as a device's model is at most a few dozen bytes.
std::string attribute(const fs::path& path) {
    std::ifstream in(path);
    std::string value;
    std::getline(in, value);
    value.resize(std::min<std::size_t>(value.size(), 128));
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> partitionsIn(const fs::path& disk) {
    std::vector<std::string> partitions;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(disk, error)) {
        if (fs::exists(entry.path() / "partition", error))
            partitions.push_back("/dev/" + entry.path().filename().string());
    }
    std::sort(partitions.begin(), partitions.end(),
              [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    return partitions;
}

// What a person knows the disk by: the maker and model it reports, or the
// image file behind a loop device.
std::string modelOf(const fs::path& disk) {
    const std::string backing = attribute(disk / "loop" / "backing_file");
    if (!backing.empty())
        return "Disk image " + fs::path(backing).filename().string();
    const std::string vendor = attribute(disk / "device" / "vendor");
    const std::string model = attribute(disk / "device" / "model");
    if (vendor.empty() || model.rfind(vendor, 0) == 0)
        return model;
    return model.empty() ? vendor : vendor + " " + model;
}

}  // namespace

std::vector<Disk> unmountedDisksFrom(const std::string& sysRoot) {
    std::set<std::string> mounted;
    for (const MountedVolume& volume : mountedVolumes())
        mounted.insert(volume.device);
    std::vector<Disk> disks;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(sysRoot) / "class" / "block", error)) {
        const std::string name = entry.path().filename().string();
        Disk disk;
        disk.device = "/dev/" + name;
        // An attached loop device names the image file it reads and writes.
        const bool image = !attribute(entry.path() / "loop" / "backing_file").empty();
        if (!image &&
            (!isUsbDevice(disk.device, sysRoot) || isRemovableDevice(disk.device, sysRoot)))
            continue;
        disk.usb = !image;
        disk.bytes = std::strtoull(attribute(entry.path() / "size").c_str(), nullptr, 10) * 512;
        disk.model = modelOf(entry.path());
        disk.partitions = partitionsIn(entry.path());
        const bool inUse = mounted.count(disk.device) != 0 ||
                           std::any_of(disk.partitions.begin(), disk.partitions.end(),
                                       [&](const std::string& p) { return mounted.count(p); });
        if (disk.bytes != 0 && !inUse)
            disks.push_back(std::move(disk));
    }
    std::sort(disks.begin(), disks.end(),
              [](const Disk& a, const Disk& b) { return naturalLess(a.device, b.device); });
    return disks;
}

Disk describeDeviceFrom(const std::string& device, const std::string& sysRoot) {
    Disk disk;
    disk.device = device;
    std::error_code error;
    const fs::path node =
        fs::canonical(fs::path(sysRoot) / "class" / "block" / fs::path(device).filename(), error);
    if (error)
        return disk;
    disk.bytes = std::strtoull(attribute(node / "size").c_str(), nullptr, 10) * 512;
    disk.model = modelOf(fs::exists(node / "partition", error) ? node.parent_path() : node);
    disk.usb = isUsbDevice(device, sysRoot);
    return disk;
}

std::vector<Disk> unmountedDisks() {
    return unmountedDisksFrom("/sys");
}

Disk describeDevice(const std::string& device) {
    return describeDeviceFrom(device, "/sys");
}

std::string firstPartitionOf(const std::string& disk, const std::string& sysRoot) {
    const std::string name = fs::path(disk).filename().string();
    const std::vector<std::string> partitions =
        partitionsIn(fs::path(sysRoot) / "class" / "block" / name);
    return partitions.empty() ? disk : partitions.front();
}

MountArguments mountArgumentsOf(const std::string& options, const std::string& fsOptions) {
    static const std::pair<const char*, unsigned long> kFlags[] = {
        {"ro", MS_RDONLY},         {"nosuid", MS_NOSUID},
        {"nodev", MS_NODEV},       {"noexec", MS_NOEXEC},
        {"sync", MS_SYNCHRONOUS},  {"dirsync", MS_DIRSYNC},
        {"noatime", MS_NOATIME},   {"nodiratime", MS_NODIRATIME},
        {"relatime", MS_RELATIME}, {"strictatime", MS_STRICTATIME},
        {"lazytime", MS_LAZYTIME},
    };
    MountArguments arguments;
    for (const auto& [name, flag] : kFlags) {
        if (hasMountOption(options, name))
            arguments.flags |= flag;
    }
    std::size_t from = 0;
    while (from <= fsOptions.size()) {
        const std::size_t end = std::min(fsOptions.find(',', from), fsOptions.size());
        const std::string option = fsOptions.substr(from, end - from);
        if (!option.empty() && option != "rw" && option != "ro")
            arguments.data += (arguments.data.empty() ? "" : ",") + option;
        from = end + 1;
    }
    return arguments;
}

bool mountVolume(const std::string& device, const std::string& mountPoint,
                 const std::string& fsType, const std::string& options,
                 const std::string& fsOptions, std::string& error) {
    const MountArguments arguments = mountArgumentsOf(options, fsOptions);
    const auto mountWith = [&](const std::string& data) {
        return ::mount(device.c_str(), mountPoint.c_str(), fsType.c_str(), arguments.flags,
                       data.empty() ? nullptr : data.c_str()) == 0;
    };
    if (mountWith(arguments.data))
        return true;
    // An option the kernel shows but takes no more (a security label): the
    // per-mount options alone, then.
    if (errno == EINVAL && !arguments.data.empty() && mountWith(""))
        return true;
    error = std::system_category().message(errno);
    return false;
}

}  // namespace platform
