// zt_install from BIN/CUE images made from a real ISO image: the same parts
// and the same record as the ISO itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "BinCueImage.h"
#include "GameIso.h"
#include "TempDir.h"
#include "ToolRun.h"

namespace {

class BinCueInstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!haveProgram("xorriso"))
            GTEST_SKIP() << "no xorriso";
        iso = makeGameIso(work, 1 << 20, 11, "GAME.BIN");
        ASSERT_FALSE(iso.empty());
    }

    // Installs `source` into a new drive folder and returns the folder.
    std::string install(const std::string& source, ToolRun& run) {
        std::string drive = work.file("drive" + std::to_string(++drives));
        std::filesystem::create_directory(drive);
        run = runTool("zt_install",
                      "--yes " + shellQuoted(source) + " " + shellQuoted(drive) + " 'My Game' CD");
        return drive;
    }

    TempDir work;
    std::string iso;
    int drives = 0;
};

const char* kPart = "/zt.1C5EB8C8.SLUS_209.46.00";

}  // namespace

TEST_F(BinCueInstallTest, BinCueAndBareBinInstallLikeTheIso) {
    std::vector<std::uint8_t> image = readBytes(iso);
    writeBytes(work.file("Game (Track 1).bin"), rawSectorsOf(image, 2));
    writeText(work.file("game.cue"),
              "FILE \"Game (Track 1).bin\" BINARY\n  TRACK 01 MODE2/2352\n    INDEX 01 00:00:00\n");
    writeBytes(work.file("mode1.bin"), rawSectorsOf(image, 1));

    ToolRun run;
    const std::string reference = install(iso, run);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string& source : {work.file("game.cue"), work.file("mode1.bin")}) {
        const std::string drive = install(source, run);
        ASSERT_EQ(run.status, 0) << source << run.err;
        EXPECT_EQ(readBytes(drive + kPart), readBytes(reference + kPart)) << source;
        EXPECT_EQ(readBytes(drive + "/zt.cfg"), readBytes(reference + "/zt.cfg")) << source;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(drive), {}), 2) << source;
    }
}

TEST_F(BinCueInstallTest, ADamagedImageIsRefusedBeforeAnythingIsWritten) {
    std::vector<std::uint8_t> raw = rawSectorsOf(readBytes(iso), 1);
    raw[30 * 2352] = 0x42;
    writeBytes(work.file("damaged.bin"), raw);
    writeText(work.file("damaged.cue"),
              "FILE damaged.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n");
    writeText(work.file("audio.cue"),
              "FILE damaged.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    writeText(work.file("gone.cue"),
              "FILE gone.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n");
    for (const char* source : {"damaged.cue", "damaged.bin", "audio.cue", "gone.cue"}) {
        ToolRun run;
        const std::string drive = install(work.file(source), run);
        EXPECT_EQ(run.status, 1) << source;
        EXPECT_NE(run.err.find("The image cannot be installed: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Source drive is invalid\n"), std::string::npos) << run.err;
        EXPECT_TRUE(std::filesystem::is_empty(drive)) << source;
        // Each sheet is there: only its track may be named missing.
        EXPECT_EQ(run.err.find("No such file or directory"), std::string::npos) << run.err;
    }
}
