#pragma once
// A real file system for a test to write to: made on an image file and
// mounted through a loop device, optionally with the image on a tmpfs of its
// own size; everything is unmounted and detached when it goes.

#include <unistd.h>

#include <cstdint>
#include <string>

#include "ToolRun.h"

class LoopDrive {
  public:
    // `imageBytes`: the device's size; `mkfs`: the command that makes the file
    // system, given the device after it; `tmpfsBytes`, when not 0: the room the
    // image really has, less than the device promises.
    LoopDrive(std::uint64_t imageBytes, const std::string& mkfs, std::uint64_t tmpfsBytes = 0,
              const std::string& mountOptions = "") {
        if (::geteuid() != 0 || !haveProgram("losetup") ||
            !haveProgram(mkfs.substr(0, mkfs.find(' ')))) {
            why = "needs root, losetup and " + mkfs.substr(0, mkfs.find(' '));
            return;
        }
        std::string folder = work_.root();
        if (tmpfsBytes != 0) {
            if (!run("mount -t tmpfs -o size=" + std::to_string(tmpfsBytes) + " tmpfs " +
                     shellQuoted(work_.file("room"))))
                return;
            tmpfs_ = work_.file("room");
            folder = tmpfs_ + "/";
        }
        const std::string image = folder + "disk.img";
        ToolRun attach =
            runShell("truncate -s " + std::to_string(imageBytes) + " " + shellQuoted(image) +
                     " && losetup --find --show " + shellQuoted(image));
        if (attach.status != 0 || attach.out.empty()) {
            why = "loop devices are not available here: " + attach.err;
            return;
        }
        device = attach.out.substr(0, attach.out.find('\n'));
        if (!run(mkfs + " " + device) ||
            !run("mkdir -p " + shellQuoted(work_.file("mnt")) + " && mount " +
                 (mountOptions.empty() ? "" : "-o " + mountOptions + " ") + device + " " +
                 shellQuoted(work_.file("mnt"))))
            return;
        mounted_ = true;
    }
    ~LoopDrive() {
        if (mounted_)
            runShell("umount " + shellQuoted(work_.file("mnt")));
        if (!device.empty())
            runShell("losetup -d " + device);
        if (!tmpfs_.empty())
            runShell("umount " + shellQuoted(tmpfs_));
    }
    LoopDrive(const LoopDrive&) = delete;
    LoopDrive& operator=(const LoopDrive&) = delete;

    bool ready() const { return mounted_; }
    // The mounted file system as a drive root, ending in '/'.
    std::string root() const { return work_.file("mnt") + "/"; }

    std::string device;
    std::string why;  // why it is not ready

  private:
    bool run(const std::string& command) {
        if (!std::filesystem::exists(work_.file("room")))
            std::filesystem::create_directory(work_.file("room"));
        ToolRun done = runShell(command);
        if (done.status != 0)
            why = command + ": " + done.err;
        return done.status == 0;
    }

    TempDir work_;
    std::string tmpfs_;
    bool mounted_ = false;
};
