#pragma once
// A real file system mounted for a test as a drive: ext4 on a loop device,
// tmpfs, or FAT32 through fusefat. Needs root; `mounted()` is false, with the
// reason in `problem`, where the system cannot do it.

#include <unistd.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "ToolRun.h"

class MountedDrive {
  public:
    // `kind`: "ext4", "tmpfs" or "fat32".
    explicit MountedDrive(const std::string& kind, int megabytes = 64) : kind_(kind) {
        point_ = work_.file("mnt");
        std::filesystem::create_directory(point_);
        const std::string image = shellQuoted(work_.file("volume.img"));
        const std::string size = std::to_string(megabytes);
        std::string command;
        if (geteuid() != 0) {
            problem = "needs root to mount";
            return;
        }
        if (kind == "ext4") {
            command = "truncate -s " + size + "M " + image + " && mkfs.ext4 -q -F " + image +
                      " && mount -o loop " + image + " " + shellQuoted(point_);
        } else if (kind == "tmpfs") {
            command = "mount -t tmpfs -o size=" + size + "m tmpfs " + shellQuoted(point_);
        } else if (!std::filesystem::exists("/dev/fuse") || !haveProgram("fusefat") ||
                   !haveProgram("mkfs.fat")) {
            problem = "needs FUSE, fusefat and mkfs.fat";
            return;
        } else {
            command = "truncate -s " + size + "M " + image + " && mkfs.fat -F 32 " + image +
                      " && fusefat -o rw+ " + image + " " + shellQuoted(point_);
        }
        ToolRun run = runShell("(" + command + ")");
        mounted_ = run.status == 0;
        if (!mounted_)
            problem = kind + " cannot be mounted here: " + run.err;
    }
    ~MountedDrive() {
        if (mounted_)
            runShell((kind_ == "fat32" ? "fusermount -u " : "umount ") + shellQuoted(point_));
    }
    MountedDrive(const MountedDrive&) = delete;
    MountedDrive& operator=(const MountedDrive&) = delete;

    bool mounted() const { return mounted_; }
    // A folder on the mounted file system, created on first use, as a drive root.
    std::string folder(const std::string& name) const {
        std::filesystem::create_directories(point_ + "/" + name);
        return point_ + "/" + name + "/";
    }
    std::string problem;

  private:
    TempDir work_;  // holds the image and the mount point; removed after the unmount
    std::string kind_;
    std::string point_;
    bool mounted_ = false;
};
