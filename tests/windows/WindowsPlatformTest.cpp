// What the Windows platform layer adds: long paths and names in UTF-8.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <filesystem>
#include <string>
#include <thread>

#include "TempDir.h"
#include "disk/DriveRefusal.h"
#include "platform/DeviceControl.h"
#include "platform/DriveLock.h"
#include "platform/DriveNames.h"
#include "platform/Files.h"
#include "platform/Volume.h"

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

}  // namespace

// The locks' files lie in the temporary folder (here one of the test's own);
// the last holder of each removes it, and holders still exclude each other.
TEST(WindowsPlatformTest, DriveLocksLeaveNoFileBehindAndStillExcludeEachOther) {
    using platform::DriveLockMode;
    using platform::DriveLockStatus;
    TempDir drives, temporary;
    wchar_t before[MAX_PATH + 1] = {};
    const bool hadTmp = GetEnvironmentVariableW(L"TMP", before, MAX_PATH + 1) != 0;
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", temporary.path().wstring().c_str()));
    std::vector<std::string> roots;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        roots.push_back(drives.file(name));
        std::filesystem::create_directory(roots.back());
    }
    for (const std::string& root : roots) {
        platform::DriveLockRequest request{root, DriveLockMode::Exclusive};
        platform::DriveLockAttempt held = platform::tryLockDrives({&request, 1});
        ASSERT_EQ(held.status, DriveLockStatus::Locked);
        EXPECT_EQ(lockFromOtherThread(root, DriveLockMode::Shared), DriveLockStatus::Busy);
    }
    EXPECT_TRUE(std::filesystem::is_empty(temporary.path()));

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
    EXPECT_TRUE(std::filesystem::is_empty(temporary.path()));
    SetEnvironmentVariableW(L"TMP", hadTmp ? before : nullptr);
}
