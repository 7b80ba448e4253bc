// What the Windows platform layer adds: long paths and names in UTF-8.
#include <windows.h>

#include <gtest/gtest.h>
#include <winioctl.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "TempDir.h"
#include "disk/DriveRefusal.h"
#include "platform/DeviceControl.h"
#include "platform/DriveIdentity.h"
#include "platform/DriveLock.h"
#include "platform/DriveLockSystem.h"
#include "platform/DriveNames.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Volume.h"

using namespace disk;
using namespace platform;

TEST(WindowsPlatformTest, WritesAFileDeeperThanMaxPathWithANameInUtf8) {
    TempDir work;
    std::string folder = work.path().string();
    for (int i = 0; i < 8; ++i) {
        folder += "/" + std::string(40, static_cast<char>('a' + i));
    }
    // The folders by their wide names, as the standard library takes them.
    std::filesystem::create_directories(std::filesystem::u8path(folder));
    const std::string file = folder +
                             "/Sp\xC3\xA9"
                             "cial \xE2\x98\x85.bin";
    ASSERT_GT(file.size(), 260u);
    const std::uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(platform::writeFileSynced(file, bytes));
    EXPECT_EQ(platform::readRegularFileAt(file, 1, 10), (std::vector<std::uint8_t>{2, 3}));
    EXPECT_TRUE(platform::removeFile(file));
    EXPECT_FALSE(platform::readRegularFileAt(file, 0, 10).has_value());
}

TEST(WindowsPlatformTest, TheDriveThatHoldsWindowsIsNeverErased) {
    // Wine keeps its Windows folder on C:.
    for (const char* drive : {"C", "c:", "C:\\", "\\\\.\\C:"}) {
        EXPECT_NE(eraseRefusal(drive).find("C: (C:\\) holds the running system"), std::string::npos)
            << drive << ": " << eraseRefusal(drive);
    }
}

TEST(WindowsPlatformTest, EverySpellingOfADriveNamesItsLetter) {
    for (const char* name : {"g", "G:", "G:\\", "g:/", "\\\\.\\G:", "\\\\?\\G:", "\\\\?\\g:\\"}) {
        EXPECT_EQ(platform::driveRootNamed(name), "G:\\") << name;
        EXPECT_EQ(platform::driveDeviceNamed(name), "\\\\.\\G:") << name;
        EXPECT_EQ(platform::driveNameTrap(name), "") << name;
    }
    // Folders, files and shares stay paths.
    for (const char* name : {"G:\\games", "G:games", "GH", "\\\\server\\share", "1:"}) {
        EXPECT_EQ(platform::driveRootNamed(name), name);
        EXPECT_EQ(platform::driveDeviceNamed(name), name);
    }
}

TEST(WindowsPlatformTest, ADriveQuotedTheWayCmdMisreadsItIsNamedAsThatTrap) {
    // "G:\" typed in cmd.exe arrives as G:" .
    EXPECT_EQ(platform::driveNameTrap("G:\""),
              "G:\" is not a drive: in a command prompt the backslash of \"G:\\\" quotes the "
              "closing quote mark. Write G: or G:\\ without quotes.");
    EXPECT_NE(platform::driveNameTrap("g:\" My Game"), "");
}

// R: is a CD drive of the tests' Wine prefix (prepare-prefix.sh); its device
// answers the media check as an empty drive does.
TEST(WindowsPlatformTest, AnOpticalDriveWithoutADiscSaysSo) {
    if (GetDriveTypeW(L"R:\\") != DRIVE_CDROM)
        GTEST_SKIP() << "R: is no CD drive here: run the tests through ctest";
    bool empty = true;
    platform::setDeviceControlHook([&](std::intptr_t, std::uint32_t code, const void*,
                                       std::uint32_t, void*, std::uint32_t, std::uint32_t& returned,
                                       std::uint32_t& error) {
        returned = 0;
        error = empty || code != IOCTL_STORAGE_CHECK_VERIFY2 ? ERROR_NOT_READY : ERROR_SUCCESS;
        return error == ERROR_SUCCESS;
    });
    EXPECT_EQ(platform::discDriveProblem("R:"), "There is no disc in drive R:.");
    empty = false;
    EXPECT_EQ(platform::discDriveProblem("r"), "");
    platform::setDeviceControlHook({});
}

// A drive letter for a folder, as subst makes one, is no disk to format.
TEST(WindowsPlatformTest, AFolderDriveIsNotFormatted) {
    TempDir folder;
    ASSERT_TRUE(DefineDosDeviceW(0, L"W:", folder.path().wstring().c_str()));
    const std::string refusal = eraseRefusal("W:");
    DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"W:", nullptr);
    EXPECT_EQ(refusal, "W: is a folder, not a disk, a partition or a disk image file.\n");
}

TEST(WindowsPlatformTest, AFixedDriveAsTheDiscSourceIsNamedAsNoOpticalDrive) {
    // Wine's C: is a fixed drive; a letter unknown to the system is left to the device's open.
    EXPECT_EQ(platform::discDriveProblem("C:\\"),
              "C: is not an optical drive: name the CD/DVD drive or a disc image file.");
    EXPECT_EQ(platform::discDriveProblem("game.iso"), "");
}

namespace {

platform::DriveLockStatus lockFromOtherThread(const std::string& root,
                                              platform::DriveLockMode mode) {
    platform::DriveLockStatus status{};
    std::thread([&] {
        platform::DriveLockRequest request{root, mode};
        status = platform::tryLockDrives({&request, 1}).status;
    }).join();
    return status;
}

// What a holder on another thread takes; its guard is kept by the caller.
platform::DriveLockAttempt holderOnOtherThread(const std::string& root,
                                               platform::DriveLockMode mode) {
    platform::DriveLockAttempt held;
    std::thread([&] {
        platform::DriveLockRequest request{root, mode};
        held = platform::tryLockDrives({&request, 1});
    }).join();
    return held;
}

bool lockFileThere(const std::string& root) {
    const std::string path = platform::drive_lock::lockFilePath(root);
    return !path.empty() &&
           GetFileAttributesW(std::filesystem::u8path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Sets TMP and TEMP for as long as it lives.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::filesystem::path& folder) {
        for (const wchar_t* name : {L"TMP", L"TEMP"}) {
            wchar_t value[MAX_PATH + 1] = {};
            const bool had = GetEnvironmentVariableW(name, value, MAX_PATH + 1) != 0;
            before_.push_back({name, had ? std::optional<std::wstring>(value) : std::nullopt});
            SetEnvironmentVariableW(name, folder.wstring().c_str());
        }
    }
    ~TemporaryFolder() {
        for (const auto& [name, value] : before_)
            SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  private:
    std::vector<std::pair<const wchar_t*, std::optional<std::wstring>>> before_;
};

}  // namespace

// The last holder of each lock removes its file, and holders still exclude each other.
TEST(WindowsPlatformTest, DriveLocksLeaveNoFileBehindAndStillExcludeEachOther) {
    using platform::DriveLockMode;
    using platform::DriveLockStatus;
    TempDir drives;
    std::vector<std::string> roots;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        roots.push_back(drives.file(name));
        std::filesystem::create_directory(roots.back());
    }
    for (const std::string& root : roots) {
        platform::DriveLockRequest request{root, DriveLockMode::Exclusive};
        platform::DriveLockAttempt held = platform::tryLockDrives({&request, 1});
        ASSERT_EQ(held.status, DriveLockStatus::Locked);
        EXPECT_TRUE(lockFileThere(root));
        EXPECT_EQ(lockFromOtherThread(root, DriveLockMode::Shared), DriveLockStatus::Busy);
    }
    for (const std::string& root : roots)
        EXPECT_FALSE(lockFileThere(root)) << root;

    // A writer waits for a reader, which ends first: the writer's place keeps
    // the file, so a new reader still finds it waiting, and the writer gets in.
    platform::DriveLockRequest reading{roots[0], DriveLockMode::Shared};
    platform::DriveLockRequest writing{roots[0], DriveLockMode::Exclusive};
    platform::DriveLockAttempt reader = platform::tryLockDrives({&reading, 1});
    ASSERT_EQ(reader.status, DriveLockStatus::Locked);
    platform::DriveLockAttempt writer;
    std::thread([&] { writer = platform::tryLockDrives({&writing, 1}); }).join();
    ASSERT_EQ(writer.status, DriveLockStatus::Busy);
    reader.lock.release();
    EXPECT_EQ(lockFromOtherThread(roots[0], DriveLockMode::Shared), DriveLockStatus::Busy);
    std::thread([&] {
        writer = platform::tryLockDrives({&writing, 1});
        EXPECT_EQ(writer.status, DriveLockStatus::Locked);
        EXPECT_EQ(lockFromOtherThread(roots[0], DriveLockMode::Shared), DriveLockStatus::Busy);
        writer = {};
    }).join();
    EXPECT_FALSE(lockFileThere(roots[0]));
}

// A reader that leaves while another still reads leaves the lock's file to
// it: a writer that comes next still finds the drive busy.
TEST(WindowsPlatformTest, AHolderThatLeavesKeepsTheLockOfOneStillHolding) {
    using platform::DriveLockMode;
    using platform::DriveLockStatus;
    TempDir drive;
    platform::DriveLockAttempt first = holderOnOtherThread(drive.root(), DriveLockMode::Shared);
    platform::DriveLockAttempt second = holderOnOtherThread(drive.root(), DriveLockMode::Shared);
    ASSERT_EQ(first.status, DriveLockStatus::Locked);
    ASSERT_EQ(second.status, DriveLockStatus::Locked);
    first.lock.release();
    EXPECT_TRUE(lockFileThere(drive.root()));
    EXPECT_EQ(lockFromOtherThread(drive.root(), DriveLockMode::Exclusive), DriveLockStatus::Busy);
    second.lock.release();
    EXPECT_FALSE(lockFileThere(drive.root()));
    EXPECT_EQ(lockFromOtherThread(drive.root(), DriveLockMode::Exclusive), DriveLockStatus::Locked);
}

// The lock is the machine's, not the temporary folder's: programs of other
// users or consoles, each with a temporary folder of its own, exclude each other.
TEST(WindowsPlatformTest, ADriveLockHoldsWhateverTheTemporaryFolder) {
    using platform::DriveLockMode;
    using platform::DriveLockStatus;
    TempDir drive, mine, theirs;
    platform::DriveLockAttempt held;
    {
        TemporaryFolder temporary(mine.path());
        held = holderOnOtherThread(drive.root(), DriveLockMode::Exclusive);
        ASSERT_EQ(held.status, DriveLockStatus::Locked);
    }
    TemporaryFolder temporary(theirs.path());
    EXPECT_EQ(lockFromOtherThread(drive.root(), DriveLockMode::Shared), DriveLockStatus::Busy);
    EXPECT_EQ(lockFromOtherThread(drive.root(), DriveLockMode::Exclusive), DriveLockStatus::Busy);
    held.lock.release();
    EXPECT_EQ(lockFromOtherThread(drive.root(), DriveLockMode::Exclusive), DriveLockStatus::Locked);
}

// Jobs take and leave drives on threads of their own, one after another and
// side by side; nothing of a thread's locks, nor of the names its messages
// give, is left for its end to undo.
TEST(WindowsPlatformTest, AThousandJobThreadsTakeAndLeaveDriveLocks) {
    using platform::DriveLockMode;
    using platform::DriveLockStatus;
    TempDir drives;
    std::vector<std::string> roots;
    for (const char* name : {"a", "b", "c"}) {
        roots.push_back(drives.file(name));
        std::filesystem::create_directory(roots.back());
    }
    std::atomic<int> locked{0}, busy{0}, wrong{0};
    auto job = [&](int number) {
        const std::string& root = roots[number % roots.size()];
        platform::DriveLockRequest writing{root, DriveLockMode::Exclusive};
        platform::DriveLockAttempt held = platform::tryLockDrives({&writing, 1});
        if (held.status == DriveLockStatus::Busy) {
            ++busy;
            return;
        }
        // A routine of the job that reads the drive nests in its lock.
        platform::DriveLockRequest reading{root, DriveLockMode::Shared};
        platform::DriveLockAttempt nested = platform::tryLockDrives({&reading, 1});
        // A job that met a changed drive or a refused link keeps the name
        // for its message on its own thread, which ends without a fault.
        platform::driveChanged(root);
        const bool named = platform::changedDriveName() == root;
        platform::linkRefused(root + "\\link");
        const bool right =
            held.status == DriveLockStatus::Locked && nested.status == DriveLockStatus::Locked &&
            named && platform::lastErrorText() == root + "\\link is a link; it is not followed";
        ++(right ? locked : wrong);
    };
    constexpr int kJobs = 1000, kSideBySide = 4;
    for (int first = 0; first < kJobs; first += kSideBySide) {
        std::vector<std::thread> threads;
        for (int number = first; number < first + kSideBySide; ++number)
            threads.emplace_back(job, number);
        for (std::thread& thread : threads)
            thread.join();
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(locked + busy, kJobs);
    EXPECT_GT(locked, kJobs / 2);
    for (const std::string& root : roots)
        EXPECT_EQ(lockFromOtherThread(root, DriveLockMode::Exclusive), DriveLockStatus::Locked);
}
