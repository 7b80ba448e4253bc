#pragma once
// A drive as the window lists it: an ext4 file system on a loop device of its
// own, mounted at a folder of its own, all removed again at the end.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "TempDir.h"
#include "ToolRun.h"

class LoopDrive {
  public:
    // `partitioned`: sector 0 also holds an MBR naming one partition from 1 MiB
    // to the end, so that the format has a partition to write; the ext4 file
    // system of the whole device leaves that sector alone and stays mountable.
    // (This kernel makes no partition devices to mount instead.)
    explicit LoopDrive(std::uint64_t bytes, bool partitioned = false) {
        const std::string image = dir_.file("drive.img");
        writeBytes(image, {});
        std::filesystem::resize_file(image, bytes);
        mountPoint = dir_.file("drive");
        std::filesystem::create_directory(mountPoint);
        ToolRun r = runShell("mkfs.ext4 -q -F -m 0 " + shellQuoted(image));
        if (r.status == 0 && partitioned) {
            const std::string script = dir_.file("layout");
            std::ofstream(script) << "start=2048, type=83\n";
            r = runShell(
                "{ sfdisk -q --wipe never --wipe-partitions never --no-reread "
                "--no-tell-kernel " +
                shellQuoted(image) + " < " + shellQuoted(script) + "; }");
        }
        if (r.status == 0)
            r = runShell("losetup --find --show " + shellQuoted(image));
        if (r.status == 0) {
            device = r.out.substr(0, r.out.find('\n'));
            r = runShell("mount -t ext4 " + device + " " + shellQuoted(mountPoint));
        }
        if (r.status != 0)
            error = "the drive could not be made: " + r.err + r.out;
    }
    ~LoopDrive() {
        runShell("umount " + shellQuoted(mountPoint));
        if (!device.empty())
            runShell("losetup -d " + device);
    }
    LoopDrive(const LoopDrive&) = delete;
    LoopDrive& operator=(const LoopDrive&) = delete;

    std::string root() const { return mountPoint + "/"; }
    std::string image() const { return dir_.file("drive.img"); }

    std::string device;
    std::string mountPoint;  // as the mount table has it, without a final '/'
    std::string error;       // empty when the drive is ready

  private:
    TempDir dir_;
};
