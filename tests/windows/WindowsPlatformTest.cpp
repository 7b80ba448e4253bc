// What the Windows platform layer adds: long paths and names in UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "disk/DriveRefusal.h"
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
    const std::string file = folder + "/Sp\xC3\xA9" "cial \xE2\x98\x85.bin";
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
        EXPECT_NE(eraseRefusal(drive).find("C: (C:\\) holds the running system"),
                  std::string::npos)
            << drive << ": " << eraseRefusal(drive);
    }
}
