// The drive dialog's names: short, yet never the same for two drives.
#include <gtest/gtest.h>

#include "ui/DriveRows.h"

TEST(DriveRowsTest, ShortNamesThatTellDrivesApart) {
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
    for (const auto& c : cases) {
        std::vector<FixedDrive> drives;
        for (const std::string& point : c.mountPoints)
            drives.push_back({point, "/dev/sdx1"});
        const std::vector<DriveRow> rows = driveDialogRows(drives);
        ASSERT_EQ(rows.size(), c.names.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].text, c.names[i]) << c.mountPoints[i];
            EXPECT_EQ(rows[i].tooltip, c.mountPoints[i] + "  (/dev/sdx1)");
        }
    }
}
