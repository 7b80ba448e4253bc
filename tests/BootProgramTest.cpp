// The boot program of the volumes zt_format writes, run in a PC emulator
// (QEMU, its BIOS and no acceleration): it loads the loader file whole from
// disks that INIT and FORMAT prepared, or says why it cannot.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "DiskImage.h"
#include "TempDir.h"
#include "ToolRun.h"

using namespace disk;
using namespace store;
using namespace platform;

extern char** environ;

namespace {

constexpr std::uint64_t kVolumeStart = 8192;  // where INIT puts the partition
// The test loader's emulator status when every byte of it arrived in order.
constexpr int kLoadedWhole = (0x10 << 1) | 1;
const std::string kBootDir = ZT_BOOT_TEST_DIR;

std::string emulator() {
    for (const char* name : {"qemu-system-i386", "qemu-system-x86_64"}) {
        if (haveProgram(name))
            return name;
    }
    return "";
}

// The emulator's human monitor on a local socket: one command at a time.
class Monitor {
  public:
    ~Monitor() {
        if (fd_ >= 0)
            close(fd_);
    }
    bool connectTo(const std::string& path) {
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(fd_);
            fd_ = -1;
            return false;
        }
        timeval limit{10, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        return readPrompt();
    }
    // Sends `command` and waits for the prompt that follows its answer.
    bool run(const std::string& command) {
        std::string line = command + "\n";
        return send(fd_, line.data(), line.size(), MSG_NOSIGNAL) ==
                   static_cast<ssize_t>(line.size()) &&
               readPrompt();
    }

  private:
    bool readPrompt() {
        std::string seen;
        char buffer[512];
        while (seen.find("(qemu) ") == std::string::npos) {
            ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0)
                return false;
            seen.append(buffer, static_cast<std::size_t>(got));
        }
        return true;
    }
    int fd_ = -1;
};

// The 80 by 25 text screen, from the character bytes of the text buffer:
// one line of text a row, without the spaces that end it.
std::string screenText(const std::vector<std::uint8_t>& buffer) {
    std::string text, row;
    for (std::size_t i = 0; i + 1 < buffer.size(); i += 2) {
        char c = static_cast<char>(buffer[i]);
        row += (c >= 0x20 && c < 0x7F) ? c : ' ';
        if (row.size() == 80) {
            text += row.substr(0, row.find_last_not_of(' ') + 1) + "\n";
            row.clear();
        }
    }
    return text;
}

struct Boot {
    int status = -1;     // the emulator's exit status, -1 while it still ran
    std::string screen;  // the text on the screen at the end
};

// Starts a PC with `image` as its first hard disk. Returns when the PC ends
// (the test loader ends it through the debug exit device, with a status that
// says what it found) or when its screen asks for a key; gives up after a minute.
Boot bootImage(const std::string& image, const TempDir& scratch) {
    const std::string socketPath = scratch.file("monitor"), dump = scratch.file("screen");
    std::vector<std::string> args = {emulator(),
                                     "-drive",
                                     "file=" + image + ",format=raw,if=ide",
                                     "-m",
                                     "16",
                                     "-display",
                                     "none",
                                     "-no-reboot",
                                     "-serial",
                                     "none",
                                     "-device",
                                     "isa-debug-exit,iobase=0xf4,iosize=0x04",
                                     "-monitor",
                                     "unix:" + socketPath + ",server=on,wait=off"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, scratch.file("qemu.log").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    pid_t pid = -1;
    int spawned = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    Boot boot;
    if (spawned != 0)
        return boot;
    Monitor monitor;
    bool connected = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
        int raw = 0;
        if (waitpid(pid, &raw, WNOHANG) == pid) {
            boot.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            return boot;
        }
        connected = connected || monitor.connectTo(socketPath);
        if (connected && monitor.run("pmemsave 0xb8000 4000 \"" + dump + "\"")) {
            boot.screen = screenText(readBytes(dump));
            if (boot.screen.find("Press any key to restart") != std::string::npos)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return boot;
}

class BootProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (emulator().empty())
            GTEST_SKIP() << "QEMU (qemu-system-i386 or qemu-system-x86_64) is not installed";
        if (!haveProgram("mcopy") || !haveProgram("fsck.fat"))
            GTEST_SKIP() << "mtools or fsck.fat missing";
    }

    // A disk of `size` bytes with the partition table of INIT and the volume of
    // FORMAT. INIT leaves the boot code of sector 0 empty, and a BIOS starts a
    // disk only through it: the test puts a program there that starts the
    // partition's boot sector, as any master boot record does.
    void prepare(std::uint64_t size) {
        makeImage(image, size);
        ASSERT_EQ(runTool("zt_format", "--yes '" + image + "' INIT").status, 0);
        ASSERT_EQ(runTool("zt_format", "--yes '" + image + "' FORMAT").status, 0);
        writeAt(image, 0, readBytes(kBootDir + "/ChainLoader.bin"));
    }
    ToolRun mtools(const std::string& command, const std::string& args) {
        return runShell(command + " -i '" + image + "@@8192' " + args);
    }
    void copyLoader() {
        ToolRun r = mtools("mcopy", "'" + kBootDir + "/TestLoader.bin' ::NTLDR");
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // Allocation continues from the FSInfo sector's next-free hint: mtools
    // takes the first free cluster after it.
    void setNextFreeHint(std::uint32_t cluster) {
        std::vector<std::uint8_t> hint(4);
        writeLe32(hint.data(), cluster);
        writeAt(image, kVolumeStart + 512 + 492, hint);
    }
    // How many runs of consecutive clusters the chain of `path` has.
    int clusterRuns(const std::string& path) {
        ToolRun r = mtools("mshowfat", path);
        EXPECT_EQ(r.status, 0) << r.err;
        return static_cast<int>(std::count(r.out.begin(), r.out.end(), '<'));
    }
    // fsck.fat finds nothing to mend, on a sparse copy of the partition.
    void expectCleanFileSystem() {
        std::string part = dir.file("part.img");
        std::string q = "'" + part + "'";
        if (runShell("cp --sparse=always '" + image + "' " + q +
                     " && fallocate --collapse-range --offset 0 --length 8192 " + q)
                .status != 0) {
            ASSERT_EQ(runShell("dd if='" + image + "' of=" + q +
                               " bs=1M iflag=skip_bytes skip=8192 conv=sparse status=none")
                          .status,
                      0);
        }
        ToolRun r = runShell("fsck.fat -n " + q);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        std::filesystem::remove(part);
    }

    TempDir dir;
    std::string image = dir.file("disk.img");
};

}  // namespace

TEST_F(BootProgramTest, LoadsTheLoaderFile) {
    prepare(64ULL << 20);  // clusters of one sector
    copyLoader();
    expectCleanFileSystem();
    EXPECT_EQ(bootImage(image, dir).status, kLoadedWhole);
}

TEST_F(BootProgramTest, FollowsScatteredChainsOfDirectoryAndFile) {
    prepare(64ULL << 20);
    // Forty one-cluster files: the root directory grows to three clusters
    // between them. Deleting some of the last ones leaves holes in the data
    // and free entries in the root's last cluster, where the loader goes.
    writeBytes(dir.file("small"), std::vector<std::uint8_t>(300, 0x5A));
    for (int i = 1; i <= 40; ++i)
        ASSERT_EQ(mtools("mcopy", "'" + dir.file("small") + "' ::F" + std::to_string(i)).status, 0);
    for (int i = 33; i <= 39; i += 2)
        ASSERT_EQ(mtools("mdel", "::F" + std::to_string(i)).status, 0);
    setNextFreeHint(3);
    copyLoader();
    EXPECT_GE(clusterRuns("::/"), 3);
    EXPECT_GE(clusterRuns("::NTLDR"), 5);
    expectCleanFileSystem();
    EXPECT_EQ(bootImage(image, dir).status, kLoadedWhole);
}

TEST_F(BootProgramTest, LoadsFromBeyondEightGibibytes) {
    // 9 GiB: clusters of 16 sectors; cluster 1,100,000 lies about 8.4 GiB in,
    // past what the BIOS's cylinder, head and sector addresses reach.
    prepare(9ULL << 30);
    setNextFreeHint(1100000);
    copyLoader();
    ToolRun r = mtools("mshowfat", "::NTLDR");
    EXPECT_NE(r.out.find("<1100001-"), std::string::npos) << r.out;
    expectCleanFileSystem();
    EXPECT_EQ(bootImage(image, dir).status, kLoadedWhole);
}

TEST_F(BootProgramTest, SaysWhyItCannotStart) {
    struct Case {
        const char* what;
        const char* message;
    };
    for (const Case& c : {Case{"no loader, a folder of its name", "Remove disks or other media."},
                          Case{"the volume's start past the disk's end", "Disk error"}}) {
        SCOPED_TRACE(c.what);
        prepare(64ULL << 20);
        if (c.message == std::string("Disk error")) {
            copyLoader();
            std::vector<std::uint8_t> hidden(4);
            writeLe32(hidden.data(), 0x7FFFFFF0);
            writeAt(image, kVolumeStart + 28, hidden);
        } else {
            ASSERT_EQ(mtools("mmd", "::NTLDR").status, 0);
            expectCleanFileSystem();
        }
        Boot boot = bootImage(image, dir);
        EXPECT_EQ(boot.status, -1);
        EXPECT_NE(boot.screen.find(std::string(c.message) + "\nPress any key to restart"),
                  std::string::npos)
            << boot.screen;
    }
}

TEST(BootSectorTest, HiddenSectorsCountFromTheDiskStart) {
    // The boot program reads through the BIOS, which counts sectors from the
    // disk's start: the boot sector names where its partition begins.
    TempDir dir;
    std::string image = dir.file("disk.img");
    makeImage(image, 64ULL << 20);
    ASSERT_EQ(runTool("zt_format", "--yes '" + image + "' INIT").status, 0);
    ASSERT_EQ(runTool("zt_format", "--yes '" + image + "' FORMAT").status, 0);
    for (std::uint64_t sector : {0, 6})
        EXPECT_EQ(readLe32(readAt(image, kVolumeStart + sector * 512 + 28, 4).data()), 16u);
}
