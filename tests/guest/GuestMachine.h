#pragma once
// A PC in QEMU running Debian 12's own kernel, with USB sticks on an xHCI
// controller and an IDE optical drive: the scenario scripts of this folder
// run inside it, with the statically linked tools, and print one verdict line
// per round on the serial console.

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "FullWalk.h"
#include "TempDir.h"
#include "ToolRun.h"

struct OpticalDrive {
    std::string disc;                       // the ISO in the drive; empty: no disc
    std::vector<std::uint64_t> badSectors;  // its 2048-byte sectors that cannot be read
};

struct GuestSetup {
    std::vector<std::string> sticks;   // image files, on USB ports 2-1, 2-2, ...
    std::vector<OpticalDrive> drives;  // IDE optical drives: sr0, sr1, ...
    std::string scenario;              // the script tests/guest/SCENARIO.sh
    int stickRequests = 0;             // when not 0: requests each stick serves a second
};

// What the guest printed for one round: from the end of the round before to
// its verdict line.
inline std::string roundLog(const std::string& console, const std::string& round) {
    const std::string mark = "ZT-VERDICT ";
    std::size_t at = console.find(mark + round + " ");
    if (at == std::string::npos)
        return console;
    std::size_t from = console.rfind(mark, at == 0 ? 0 : at - 1);
    from = from == std::string::npos ? 0 : from;
    return console.substr(from, console.find('\n', at) - from);
}

struct GuestRun {
    std::string console;                          // all the guest printed
    bool ended = false;                           // the scenario ran to its end
    std::map<std::string, std::string> verdicts;  // round name: "ok" or "fail: why"
};

namespace guest {

const std::string kSourceDir = ZT_SOURCE_DIR;
const std::string kGuestDir = ZT_GUEST_DIR;    // the kernel, initramfs and busybox
const std::string kStaticDir = ZT_STATIC_DIR;  // the statically linked tools

// Why the guest cannot run here; empty when it can. The kernel is prepared
// once for the build folder.
inline std::string unavailable() {
    static const std::string reason = [] {
        if (!haveProgram("qemu-system-x86_64"))
            return std::string("qemu-system-x86_64 is not installed");
        for (const char* tool : {"zt_install", "zt_games", "zt_format"}) {
            if (!std::filesystem::exists(kStaticDir + "/" + tool))
                return "no statically linked " + std::string(tool) +
                       " (a sanitizer build, or the libraries' .a files are missing)";
        }
        ToolRun r =
            runShell(shellQuoted(kSourceDir + "/scripts/guest-kernel.sh") + " " +
                     shellQuoted(kGuestDir) + " " + shellQuoted(kSourceDir + "/tests/guest/init"));
        if (r.status != 0)
            return "no guest kernel: " + r.err;
        return std::string();
    }();
    return reason;
}

// The verdict lines "ZT-VERDICT NAME ok" and "ZT-VERDICT NAME fail: why".
inline std::map<std::string, std::string> verdictsOf(const std::string& console) {
    std::map<std::string, std::string> verdicts;
    std::size_t at = 0;
    const std::string mark = "ZT-VERDICT ";
    while ((at = console.find(mark, at)) != std::string::npos) {
        std::size_t end = console.find('\n', at);
        std::string line = console.substr(at + mark.size(), end - at - mark.size());
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t space = line.find(' ');
        verdicts[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
        at = end;
    }
    return verdicts;
}

// The blkdebug rules that fail every read of the given disc sectors.
inline std::string badSectorRules(const std::vector<std::uint64_t>& sectors) {
    std::string rules;
    for (std::uint64_t sector : sectors)
        rules += "[inject-error]\nevent = \"read_aio\"\nerrno = \"5\"\nsector = \"" +
                 std::to_string(sector * 4) + "\"\n\n";
    return rules;
}

// The initramfs of this boot: the prepared one, then (the kernel reads
// archives one after the other) the tools and the scenario, uncompressed.
inline bool makeInitramfs(const GuestSetup& setup, const TempDir& work, const std::string& out) {
    const std::filesystem::path stage = work.path() / "stage";
    std::filesystem::create_directories(stage / "tools");
    std::filesystem::create_directories(stage / "scenario");
    for (const char* tool : {"zt_install", "zt_games", "zt_format"})
        std::filesystem::copy_file(kStaticDir + "/" + tool, stage / "tools" / tool);
    const std::string tests = kSourceDir + "/tests/guest/";
    std::filesystem::copy_file(tests + "lib.sh", stage / "scenario" / "lib.sh");
    std::filesystem::copy_file(tests + setup.scenario + ".sh", stage / "scenario" / "scenario.sh");
    std::ofstream(stage / "scenario" / "run.sh") << (fullWalk() ? "ZT_FULL_WALK=1\n" : "")
                                                 << ". /scenario/lib.sh\n. /scenario/scenario.sh\n";
    if (!setup.drives.empty())  // the guest waits for the last drive
        std::ofstream(stage / "scenario" / "cd") << "sr" << setup.drives.size() - 1;
    std::filesystem::copy_file(kGuestDir + "/initrd.gz", out);
    const auto size = std::filesystem::file_size(out);
    std::filesystem::resize_file(out, (size + 3) / 4 * 4);  // archives start 4-byte aligned
    return runShell("(cd " + shellQuoted(stage.string()) + " && find . | " +
                    shellQuoted(kGuestDir + "/busybox") + " cpio -o -H newc >>" + shellQuoted(out) +
                    ")")
               .status == 0;
}

inline std::string qemuCommand(const GuestSetup& setup, const TempDir& work,
                               const std::string& initramfs) {
    std::string command =
        "qemu-system-x86_64 -M pc -accel tcg -m 512 -smp 1 -nodefaults -nographic"
        " -serial mon:stdio -no-reboot -kernel " +
        shellQuoted(kGuestDir + "/vmlinux") + " -initrd " + shellQuoted(initramfs) +
        " -append 'console=ttyS0 quiet panic=-1 no_timer_check' -device qemu-xhci,id=xhci";
    for (std::size_t i = 0; i < setup.sticks.size(); ++i) {
        const std::string id = "stick" + std::to_string(i);
        command += " -drive if=none,id=" + id + ",format=raw,file=" + shellQuoted(setup.sticks[i]) +
                   (setup.stickRequests == 0
                        ? std::string()
                        : ",throttling.iops-total=" + std::to_string(setup.stickRequests)) +
                   " -device usb-storage,bus=xhci.0,port=" + std::to_string(i + 1) +
                   ",removable=on,drive=" + id;
    }
    for (std::size_t i = 0; i < setup.drives.size(); ++i) {
        const OpticalDrive& drive = setup.drives[i];
        command += " -drive if=ide,index=" + std::to_string(i) + ",media=cdrom";
        if (drive.disc.empty())
            continue;
        std::string file = drive.disc;
        if (!drive.badSectors.empty()) {
            const std::string rules = work.file("blkdebug" + std::to_string(i) + ".conf");
            std::ofstream(rules) << badSectorRules(drive.badSectors);
            file = "blkdebug:" + rules + ":" + drive.disc;
        }
        command += ",format=raw,file=" + shellQuoted(file);
    }
    return command;
}

// Boots the guest, runs the scenario and returns what it printed (also left
// in the build folder as guest/SCENARIO.console); a guest
// that does not power off within `seconds` is stopped.
inline GuestRun boot(const GuestSetup& setup, int seconds = 500) {
    TempDir work;
    GuestRun run;
    const std::string initramfs = work.file("initrd");
    if (!makeInitramfs(setup, work, initramfs)) {
        run.console = "cannot make the initramfs";
        return run;
    }
    ToolRun r = runShell("timeout -k 5 " + std::to_string(seconds) + " " +
                         qemuCommand(setup, work, initramfs));
    run.console = r.out + r.err;
    // Kept beside the kernel for reading afterwards.
    std::ofstream(kGuestDir + "/" + setup.scenario + ".console") << run.console;
    run.ended = run.console.find("ZT-GUEST-END") != std::string::npos;
    run.verdicts = verdictsOf(run.console);
    return run;
}

}  // namespace guest
