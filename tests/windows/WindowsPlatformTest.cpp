// What the Windows platform layer adds: long paths and names in UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "disk/DriveRefusal.h"
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

TEST(WindowsPlatformTest, AFixedDriveAsTheDiscSourceIsNamedAsNoOpticalDrive) {
    // Wine's C: is a fixed drive; a letter unknown to the system is left to the device's open.
    EXPECT_EQ(platform::discDriveProblem("C:\\"),
              "C: is not an optical drive: name the CD/DVD drive or a disc image file.");
    EXPECT_EQ(platform::discDriveProblem("game.iso"), "");
}
