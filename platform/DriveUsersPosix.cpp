#include <fcntl.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/DescriptorPosix.h"
#include "platform/DriveUsers.h"
#include "platform/MountInfo.h"
#include "platform/SysBlockPosix.h"

namespace platform {

namespace {

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

// The drive as the checks below compare it.
struct Drive {
    std::set<dev_t> devices;  // a block device: its whole disk and every partition of it
    bool hasFile = false;     // an image file, or the file behind a loop device
    FileId file;
};

// A loop device and what it reads and writes.
struct LoopDevice {
    dev_t dev = 0;
    std::string name;  // "/dev/loop4"
    std::string file;  // its backing file as the kernel names it
    FileId id;         // that file's device and inode
    dev_t holder = 0;  // the device the file lies on, or the block device it is
};

std::string readLink(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::read_symlink(path, error).string();
}

std::string readFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// What the kernel says of the loop device: by LOOP_GET_STATUS64 where the
// device can be opened, else from the backing file's name in /sys.
bool describeLoop(const std::string& sysName, LoopDevice& loop) {
    std::string dir = "/sys/block/" + sysName;
    loop.file = readFirstLine(dir + "/loop/backing_file");
    if (loop.file.empty())
        return false;  // not attached
    std::istringstream number(readFirstLine(dir + "/dev"));
    unsigned int maj = 0, min = 0;
    char colon = 0;
    if (!(number >> maj >> colon >> min) || colon != ':')
        return false;
    loop.dev = makedev(maj, min);
    loop.name = "/dev/" + sysName;
    const Descriptor fd(::open(loop.name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct loop_info64 info {};
    if (fd.valid() && ::ioctl(fd.get(), LOOP_GET_STATUS64, &info) == 0) {
        loop.id = {static_cast<dev_t>(info.lo_device), static_cast<ino_t>(info.lo_inode)};
        // The block device a loop device reads, or the device of its file.
        loop.holder = static_cast<dev_t>(info.lo_rdevice != 0 ? info.lo_rdevice : info.lo_device);
        return true;
    }
    struct stat st {};
    if (::stat(loop.file.c_str(), &st) != 0)
        return false;  // a deleted or unreachable file: nothing to compare it with
    loop.id = {st.st_dev, st.st_ino};
    loop.holder = S_ISBLK(st.st_mode) ? st.st_rdev : st.st_dev;
    return true;
}

std::vector<LoopDevice> loopDevices() {
    std::vector<LoopDevice> loops;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/block", error)) {
        std::string name = entry.path().filename().string();
        LoopDevice loop;
        if (name.rfind("loop", 0) == 0 && describeLoop(name, loop))
            loops.push_back(std::move(loop));
    }
    return loops;
}

bool describeDrive(const std::string& path, Drive& drive, const std::vector<LoopDevice>& loops) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if (S_ISREG(st.st_mode)) {
        drive.hasFile = true;
        drive.file = {st.st_dev, st.st_ino};
        return true;
    }
    if (!S_ISBLK(st.st_mode))
        return false;
    dev_t disk = wholeDiskOf(st.st_rdev);
    drive.devices.insert(disk);
    for (dev_t partition : partitionsOf(disk))
        drive.devices.insert(partition);
    for (const LoopDevice& loop : loops) {
        if (loop.dev == disk) {
            drive.hasFile = true;
            drive.file = loop.id;
        }
    }
    return true;
}

bool onDrive(const Drive& drive, const std::string& path, std::string& shown) {
    struct stat st {};
    if (path.empty() || path[0] != '/' || ::stat(path.c_str(), &st) != 0)
        return false;
    shown = path;
    if (S_ISBLK(st.st_mode))
        return drive.devices.count(st.st_rdev) != 0;
    return drive.hasFile && S_ISREG(st.st_mode) && drive.file == FileId{st.st_dev, st.st_ino};
}

std::vector<MountEntry> mountTable() {
    std::ifstream in("/proc/self/mountinfo");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parseMountInfo(text);
}

// The block device a mount's file system lies on, by its device number.
bool mountDevice(const MountEntry& entry, dev_t& dev) {
    unsigned int maj = 0, min = 0;
    char colon = 0;
    std::istringstream number(entry.majorMinor);
    if (!(number >> maj >> colon >> min) || colon != ':')
        return false;
    dev = makedev(maj, min);
    return true;
}

void addMounts(const Drive& drive, const std::vector<MountEntry>& mounts,
               std::vector<DriveUser>& users) {
    std::set<std::string> seen;
    for (const MountEntry& entry : mounts) {
        std::string device;
        dev_t dev = 0;
        if (mountDevice(entry, dev) && drive.devices.count(dev) != 0) {
            device = entry.source.rfind("/dev/", 0) == 0 ? entry.source : blockDeviceName(dev);
        } else if (!onDrive(drive, entry.source, device)) {
            continue;  // a FUSE file system names its device or image file as its source
        }
        if (seen.insert(device).second)
            users.push_back({DriveUser::Kind::Mounted, device, entry.mountPoint, "", false});
    }
}

void addSwaps(const Drive& drive, std::vector<DriveUser>& users) {
    std::ifstream in("/proc/swaps");
    std::string line;
    std::getline(in, line);  // the heading
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        if (!(fields >> name))
            continue;
        name = decodeMountField(name);
        std::string shown;
        struct stat st {};
        bool fileOnDrive = ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                           drive.devices.count(st.st_dev) != 0;
        if (onDrive(drive, name, shown) || fileOnDrive)
            users.push_back({DriveUser::Kind::Swap, name, "", "", false});
    }
}

void addLoops(const Drive& drive, const std::vector<LoopDevice>& loops,
              const std::vector<MountEntry>& mounts, std::vector<DriveUser>& users) {
    for (const LoopDevice& loop : loops) {
        if (drive.devices.count(loop.dev) != 0)
            continue;  // the drive itself
        bool same = drive.hasFile && loop.id == drive.file;
        if (!same && drive.devices.count(loop.holder) == 0)
            continue;
        DriveUser user{DriveUser::Kind::Loop, loop.name, "", loop.file, same};
        for (const MountEntry& entry : mounts) {
            dev_t dev = 0;
            if ((mountDevice(entry, dev) && dev == loop.dev) || entry.source == loop.name) {
                user.mountPoint = entry.mountPoint;
                break;
            }
        }
        users.push_back(std::move(user));
    }
}

void addHolders(const Drive& drive, std::vector<DriveUser>& users) {
    for (dev_t dev : drive.devices) {
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(sysBlockDir(dev) + "/holders", error)) {
            std::string name = readFirstLine(entry.path().string() + "/dm/name");
            users.push_back({DriveUser::Kind::Holder,
                             name.empty() ? entry.path().filename().string() : name, "",
                             blockDeviceName(dev), false});
        }
    }
}

// What /proc/PID/comm calls the program, or its number where that cannot be read.
std::string programName(const std::string& pid) {
    std::string name = readFirstLine("/proc/" + pid + "/comm");
    return name.empty() ? "process " + pid : name;
}

// Whether `path` lies on a file system served by a program or over a network,
// where asking for a file's state may wait as long as an unanswering server
// lets it: such files are not looked at.
bool onServedFileSystem(const std::string& path, const std::vector<MountEntry>& mounts) {
    const MountEntry* under = nullptr;
    for (const MountEntry& entry : mounts) {
        const std::string& point = entry.mountPoint;
        const bool covers =
            point == "/" || path == point ||
            (path.size() > point.size() && path.compare(0, point.size(), point) == 0 &&
             path[point.size()] == '/');
        if (covers && (under == nullptr || point.size() >= under->mountPoint.size()))
            under = &entry;
    }
    if (under == nullptr)
        return false;
    const std::string& type = under->fsType;
    return type.rfind("fuse", 0) == 0 || type.rfind("nfs", 0) == 0 || type == "cifs" ||
           type == "smb3" || type == "9p" || type == "ceph" || type == "afs";
}

// What `path` (a descriptor's link or a mapped file) names of the drive: a
// device of its disk, or its file; empty when neither.
std::string driveObjectAt(const Drive& drive, const std::string& path, const std::string& target,
                          const std::vector<MountEntry>& mounts) {
    struct stat st {};
    if (target.empty() || target[0] != '/' || onServedFileSystem(target, mounts) ||
        ::stat(path.c_str(), &st) != 0)
        return "";
    if (S_ISBLK(st.st_mode) && drive.devices.count(st.st_rdev) != 0)
        return blockDeviceName(st.st_rdev);
    if (S_ISREG(st.st_mode) && drive.hasFile && drive.file == FileId{st.st_dev, st.st_ino})
        return target;
    return "";
}

// The files a process has mapped into its memory, from /proc/PID/maps: the
// path is what follows the fifth field, without a " (deleted)" mark.
std::set<std::string> mappedFiles(const std::filesystem::path& process) {
    std::set<std::string> files;
    std::ifstream in(process / "maps");
    std::string line;
    while (std::getline(in, line)) {
        std::size_t at = 0;
        for (int field = 0; field < 5 && at != std::string::npos; ++field)
            at = line.find_first_not_of(' ', line.find(' ', at));
        if (at == std::string::npos || line[at] != '/')
            continue;
        std::string file = line.substr(at);
        if (file.size() > 10 && file.compare(file.size() - 10, 10, " (deleted)") == 0)
            continue;
        files.insert(std::move(file));
    }
    return files;
}

// Processes that hold the drive open, as fuser finds them: a FUSE daemon such
// as fusefat (whose mount names no device), a virtual machine, dd; and those
// that have it mapped, whose descriptor may be closed already. Every open
// descriptor and mapping of every other process is compared with the drive;
// those of other users' processes can be read by root only, and are passed over otherwise.
void addOpeners(const Drive& drive, const std::vector<MountEntry>& mounts,
                std::vector<DriveUser>& users) {
    const std::string self = std::to_string(::getpid());
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string program = programName(pid);
        // udev opens each new or changed device for a moment to read its labels.
        if (program == "systemd-udevd" || program == "(udev-worker)")
            continue;
        std::set<std::string> seen;
        const auto add = [&](DriveUser::Kind kind, const std::string& device) {
            if (!device.empty() && seen.insert(device).second)
                users.push_back({kind, device, "", program, false, false, std::stoi(pid)});
        };
        std::error_code fdError;
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", fdError))
            add(DriveUser::Kind::Open,
                driveObjectAt(drive, fd.path().string(), readLink(fd.path()), mounts));
        for (const std::string& file : mappedFiles(process.path()))
            add(DriveUser::Kind::Mapped, driveObjectAt(drive, file, file, mounts));
    }
}

// A device that the kernel has given to someone for good (a file system, a
// swap area, a stacked device) cannot be opened exclusively. This finds what
// the other checks cannot see: a file system lazily unmounted or mounted in
// another mount namespace, still alive, for instance because a swap file on it
// is in use. Asked only when nothing else was found, so that each use is named once.
void addClaimed(const Drive& drive, std::vector<DriveUser>& users) {
    for (dev_t dev : drive.devices) {
        const std::string name = blockDeviceName(dev);
        if (name.empty())
            continue;
        const Descriptor fd(::open(name.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC | O_NONBLOCK));
        if (!fd.valid() && errno == EBUSY)
            users.push_back({DriveUser::Kind::Claimed, name, "", "", false});
    }
}

}  // namespace

PathKind pathKind(const std::string& path, std::string* resolved) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return PathKind::Missing;
    std::string realPath = real;
    std::free(real);
    if (resolved != nullptr)
        *resolved = realPath;
    struct stat st {};
    if (::stat(realPath.c_str(), &st) != 0)
        return PathKind::Missing;
    if (S_ISREG(st.st_mode))
        return PathKind::RegularFile;
    if (S_ISBLK(st.st_mode))
        return PathKind::BlockDevice;
    if (S_ISCHR(st.st_mode))
        return PathKind::CharacterDevice;
    if (S_ISDIR(st.st_mode))
        return PathKind::Directory;
    return PathKind::Other;
}

bool onlyRootCanReplace(const std::string& resolved) {
    if (resolved.empty() || resolved[0] != '/')
        return false;
    std::filesystem::path folder = std::filesystem::path(resolved).parent_path();
    for (;;) {
        struct stat st {};
        if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != 0 ||
            (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            return false;
        }
        if (folder == folder.root_path())
            return true;
        folder = folder.parent_path();
    }
}

std::vector<DriveUser> driveUsers(const std::string& path) {
    std::vector<DriveUser> users;
    std::vector<LoopDevice> loops = loopDevices();
    Drive drive;
    if (!describeDrive(path, drive, loops))
        return users;
    std::vector<MountEntry> mounts = mountTable();
    addMounts(drive, mounts, users);
    addSwaps(drive, users);
    addLoops(drive, loops, mounts, users);
    addHolders(drive, users);
    addOpeners(drive, mounts, users);
    if (users.empty())
        addClaimed(drive, users);
    return users;
}

bool sameDisk(const std::string& a, const std::string& b) {
    struct stat x {
    }, y{};
    if (::stat(a.c_str(), &x) != 0 || ::stat(b.c_str(), &y) != 0)
        return false;
    if (S_ISBLK(x.st_mode) && S_ISBLK(y.st_mode))
        return wholeDiskOf(x.st_rdev) == wholeDiskOf(y.st_rdev);
    return S_ISREG(x.st_mode) && S_ISREG(y.st_mode) && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

}  // namespace platform
