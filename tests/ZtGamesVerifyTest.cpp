// zt_games verify on a game installed from a real ISO image, checked against
// coreutils' md5sum and sha1sum, an image in both forms and a DAT file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "BinCueImage.h"
#include "GameIso.h"
#include "TempDir.h"
#include "ToolRun.h"

namespace {

class ZtGamesVerifyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!haveProgram("xorriso"))
            GTEST_SKIP() << "no xorriso";
        iso = makeGameIso(work, 300000, 2, "DATA.BIN");
        ASSERT_FALSE(iso.empty());
        drive = work.file("drive");
        std::filesystem::create_directory(drive);
        ToolRun run = runTool(
            "zt_install", "--yes " + shellQuoted(iso) + " " + shellQuoted(drive) + " 'My Game' CD");
        ASSERT_EQ(run.status, 0) << run.err;
        part = drive + "/zt.1C5EB8C8.SLUS_209.46.00";
        ASSERT_TRUE(std::filesystem::is_regular_file(part)) << part;
    }

    ToolRun verify(const std::string& extra) {
        return runTool("zt_games", "verify " + shellQuoted(drive) + " 'My Game' " + extra);
    }

    // The first word that a coreutils checksum tool prints for the part.
    std::string checksum(const std::string& tool) {
        std::string line = runShell(tool + " " + shellQuoted(part)).out;
        return line.substr(0, line.find(' '));
    }

    TempDir work;
    std::string iso, drive, part;
};

}  // namespace

TEST_F(ZtGamesVerifyTest, PrintsTheHashesThatCoreutilsComputes) {
    ToolRun run = verify("");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string size = std::to_string(std::filesystem::file_size(part));
    EXPECT_EQ(run.out.rfind("Size: " + size + "\nCRC32: ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nMD5: " + checksum("md5sum") + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nSHA1: " + checksum("sha1sum") + "\n"), std::string::npos);

    run = verify("--json");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("{\"name\": \"My Game\", \"size\": " + size + ", \"parts\": 1, ", 0),
              0u)
        << run.out;
    EXPECT_NE(run.out.find("\"sha1\": \"" + checksum("sha1sum") + "\", \"damage\": null}\n"),
              std::string::npos)
        << run.out;
}

TEST_F(ZtGamesVerifyTest, ComparesWithIsoAndBinCueImages) {
    std::vector<std::uint8_t> image = readBytes(part);
    ASSERT_GT(image.size(), 21u * 2048);  // sector 20 is changed below
    writeBytes(work.file("track.bin"), rawSectorsOf(image, 2));
    writeText(work.file("game.cue"),
              "FILE track.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n");
    ToolRun run = verify(shellQuoted(work.file("game.cue")));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Image: identical to " + work.file("game.cue") + "\n"),
              std::string::npos)
        << run.out;

    image[20 * 2048 + 7] ^= 1;
    writeBytes(work.file("changed.iso"), image);
    run = verify(shellQuoted(work.file("changed.iso")) + " --json");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("\"identical\": false, \"firstDifferentSector\": 20}"),
              std::string::npos)
        << run.out;
    run = verify(shellQuoted(work.file("changed.iso")));
    EXPECT_NE(run.out.find("Image: differs from " + work.file("changed.iso") + " from sector 20\n"),
              std::string::npos);

    run = verify(shellQuoted(work.file("missing.cue")));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("The image " + work.file("missing.cue") +
                           " cannot be read: the CUE "
                           "sheet "),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
}

TEST_F(ZtGamesVerifyTest, LooksTheGameUpInADatFile) {
    const std::string sha1 = checksum("sha1sum");
    const std::string dat = work.file("redump.dat");
    writeText(dat,
              "<?xml version=\"1.0\"?>\n<datafile><header><name>x</name></header>\n"
              "<game name=\"Other\"><rom name=\"o.iso\" sha1=\"" +
                  std::string(40, '0') +
                  "\"/></game>\n"
                  "<game name=\"My Game (USA)\"><rom name=\"My Game (USA).iso\" size=\"" +
                  std::to_string(std::filesystem::file_size(part)) + "\" sha1=\"" + sha1 +
                  "\"/></game>\n</datafile>\n");
    ToolRun run = verify("--dat " + shellQuoted(dat));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\nDAT: My Game (USA) (My Game (USA).iso)\n"), std::string::npos)
        << run.out;

    writeText(dat, "<datafile><game name=\"Other\"><rom name=\"o.iso\" sha1=\"" +
                       std::string(40, '0') + "\"/></game></datafile>");
    run = verify("--json --dat=" + shellQuoted(dat));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(", \"dat\": null}\n"), std::string::npos) << run.out;

    run = verify("--dat " + shellQuoted(work.file("none.dat")));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "The DAT file " + work.file("none.dat") +
                           " cannot be read: the file cannot be opened.\n");
    EXPECT_EQ(run.out, "");
    run = verify("--dat " + shellQuoted(work.file("disc")));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "The DAT file " + work.file("disc") + " cannot be read: it is a folder.\n");
    EXPECT_EQ(runTool("zt_games", "verify " + shellQuoted(drive) + " 'My Game' --dat").status, 2);
}
