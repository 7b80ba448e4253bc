// The drive dialog's names: short, yet never the same for two drives.
#include <gtest/gtest.h>

#include "ui/ShortDriveNames.h"

using namespace ui;

TEST(ShortDriveNamesTest, ShortNamesThatTellDrivesApart) {
    const struct {
        std::vector<std::string> mountPoints;
        std::vector<std::string> names;
    } cases[] = {
        {{"/media/ann/GAMES", "/media/ann/BACKUP", "/"}, {"GAMES", "BACKUP", "/"}},
        {{"/tmp/zt-a1/drive", "/tmp/zt-b2/drive"}, {"zt-a1/drive", "zt-b2/drive"}},
        {{"/media/ann/USB", "/media/bob/USB", "/mnt/USB"}, {"ann/USB", "bob/USB", "mnt/USB"}},
        {{"/data", "/mnt/data"}, {"/data", "mnt/data"}},  // whole where one folder shares it
        {{"E:\\", "F:\\"}, {"E:\\", "F:\\"}},
        {{"/media/ann/GAMES/", "/media/ann/GAMES"}, {"/media/ann/GAMES/", "/media/ann/GAMES"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shortDriveNames(c.mountPoints), c.names);
}
