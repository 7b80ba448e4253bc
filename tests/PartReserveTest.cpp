// A part file is given its full size on the volume when it is created, so
// that the file system can place it in one run; its length grows only as it
// is written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"
#include "install/PartFile.h"

using namespace install;
using namespace platform;

TEST(PartReserveTest, APartIsReservedWholeAndEndsAtItsWrittenLength) {
    TempDir dir;
    const std::string path = dir.file("zt.1C5EB8C8.SLUS_209.46.00");
    PartFile part;
    ASSERT_TRUE(part.open(path, 4 << 20));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 0);
    if (info.st_blocks == 0)
        GTEST_SKIP() << "the test folder's file system does not reserve room";
    EXPECT_GE(info.st_blocks * 512, 4 << 20);

    std::vector<std::uint8_t> data(3 << 20, 0x5A);
    ASSERT_TRUE(part.write(data.data(), data.size()));
    ASSERT_TRUE(part.close());
    EXPECT_EQ(readBytes(path), data);

    // Opening again empties the file and reserves anew.
    ASSERT_TRUE(part.open(path, 2048));
    ASSERT_TRUE(part.close());
    EXPECT_TRUE(readBytes(path).empty());
}
