// Disc images as CUE sheets with BIN tracks and as bare BIN files: what the
// reader hands on is the 2048-byte image, and what it refuses it refuses
// before anything is read from it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "BinCueImage.h"
#include "TempDir.h"
#include "install/RawSectorImage.h"

using namespace install;
using namespace platform;

namespace {

class RawSectorImageTest : public ::testing::Test {
  protected:
    void SetUp() override { image = randomBytes(300 * 2048, 3); }

    // Everything the device gives, read in the 64-sector blocks the disc reader uses.
    std::vector<std::uint8_t> readAll(DiscDevice& device) {
        std::vector<std::uint8_t> all;
        std::vector<std::uint8_t> block(64 * 2048);
        for (std::uint64_t offset = 0;; offset += block.size()) {
            std::int64_t got = device.read(offset, block.data(), block.size());
            EXPECT_GE(got, 0);
            if (got <= 0)
                break;
            all.insert(all.end(), block.begin(), block.begin() + got);
        }
        return all;
    }

    std::unique_ptr<DiscDevice> open(const std::string& path) {
        DiscOpenResult opened = openDiscImage(path);
        if (opened) {
            why.clear();
            return std::move(opened).value();
        }
        // A file that just cannot be opened has the system's reason, not one of these.
        why = opened.failedAt(DiscOpenStep::Open) ? "" : opened.failure().reason;
        return nullptr;
    }

    TempDir dir;
    std::vector<std::uint8_t> image;
    std::string why;
};

}  // namespace

TEST_F(RawSectorImageTest, CueSheetsOfEachDataModeGiveTheUserData) {
    writeBytes(dir.file("Game (Mode 1).bin"), rawSectorsOf(image, 1));
    writeBytes(dir.file("Game (Mode 2).bin"), rawSectorsOf(image, 2));
    writeBytes(dir.file("cooked.iso"), image);
    writeText(
        dir.file("mode1.cue"),
        "FILE \"Game (Mode 1).bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n");
    writeText(dir.file("mode2.CUE"),
              "FILE \"Game (Mode 2).bin\" BINARY\n TRACK 01 MODE2/2352\n  INDEX 01 00:00:00\n");
    writeText(dir.file("cooked.cue"),
              "FILE cooked.iso BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n");
    for (const char* sheet : {"mode1.cue", "mode2.CUE", "cooked.cue"}) {
        std::unique_ptr<DiscDevice> device = open(dir.file(sheet));
        ASSERT_TRUE(device) << sheet << ": " << why;
        EXPECT_EQ(readAll(*device), image) << sheet;
        // A read that starts inside a sector gets the bytes from there on.
        std::uint8_t piece[100];
        ASSERT_EQ(device->read(2048 * 5 + 1000, piece, sizeof piece), 100);
        EXPECT_TRUE(std::equal(piece, piece + 100, image.begin() + 2048 * 5 + 1000)) << sheet;
    }
}

TEST_F(RawSectorImageTest, TheFirstDataTrackIsFoundAfterAudioAndBeforeTheNextTrack) {
    // Audio, then the data track with a pregap, then audio again, all in one file.
    std::vector<std::uint8_t> bin(10 * 2352, 0x11);
    std::vector<std::uint8_t> pregap(2 * 2352, 0x22);
    bin.insert(bin.end(), pregap.begin(), pregap.end());
    std::vector<std::uint8_t> data = rawSectorsOf(image, 2);
    bin.insert(bin.end(), data.begin(), data.end());
    bin.insert(bin.end(), 4 * 2352, 0x33);
    std::filesystem::create_directory(dir.file("sub dir"));
    writeBytes(dir.file("sub dir/all tracks.bin"), bin);
    writeText(dir.file("mixed.cue"),
              "FILE \"sub dir/all tracks.bin\" BINARY\n"
              "TRACK 01 AUDIO\nINDEX 01 00:00:00\n"
              "TRACK 02 MODE2/2352\nINDEX 00 00:00:10\nINDEX 01 00:00:12\n"
              "TRACK 03 AUDIO\nINDEX 00 00:04:12\nINDEX 01 00:04:14\n");
    std::unique_ptr<DiscDevice> device = open(dir.file("mixed.cue"));
    ASSERT_TRUE(device) << why;
    EXPECT_EQ(readAll(*device), image);
}

TEST_F(RawSectorImageTest, ABareBinIsRecognisedByItsSyncPattern) {
    // Mode 1 sectors and an empty Mode 0 sector.
    std::vector<std::uint8_t> bin = rawSectorsOf(image, 1);
    bin[20 * 2352 + 15] = 0;
    writeBytes(dir.file("game.bin"), bin);
    std::unique_ptr<DiscDevice> device = open(dir.file("game.bin"));
    ASSERT_TRUE(device) << why;
    std::vector<std::uint8_t> expected = image;
    std::fill(expected.begin() + 20 * 2048, expected.begin() + 21 * 2048, 0);
    EXPECT_EQ(readAll(*device), expected);

    // An ISO image is read as it stands.
    writeBytes(dir.file("game.iso"), image);
    device = open(dir.file("game.iso"));
    ASSERT_TRUE(device);
    EXPECT_EQ(readAll(*device), image);
    EXPECT_EQ(why, "");
}

TEST_F(RawSectorImageTest, DamagedImagesAreRefusedWithTheirReason) {
    std::vector<std::uint8_t> bin = rawSectorsOf(image, 2);
    writeBytes(dir.file("good.bin"), bin);
    bin[123 * 2352 + 5] = 0x00;  // a broken sync pattern
    writeBytes(dir.file("bad sync.bin"), bin);
    std::vector<std::uint8_t> wrongMode = rawSectorsOf(image, 2);
    wrongMode[40 * 2352 + 15] = 1;
    writeBytes(dir.file("wrong mode.bin"), wrongMode);
    std::vector<std::uint8_t> cut(rawSectorsOf(image, 1));
    cut.resize(cut.size() - 100);
    writeBytes(dir.file("cut.bin"), cut);
    const std::string track = "\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n";
    writeText(dir.file("bad.cue"), "FILE \"bad sync.bin\" BINARY" + track);
    writeText(dir.file("mode.cue"), "FILE \"wrong mode.bin\" BINARY" + track);
    writeText(dir.file("missing.cue"), "FILE \"gone.bin\" BINARY" + track);
    writeText(dir.file("audio.cue"), "FILE good.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    writeText(dir.file("absolute.cue"), "FILE \"" + dir.file("good.bin") + "\" BINARY" + track);
    writeText(dir.file("windows.cue"), "FILE \"C:\\games\\good.bin\" BINARY" + track);
    writeText(dir.file("wave.cue"), "FILE good.bin WAVE" + track);
    writeText(dir.file("outside.cue"),
              "FILE good.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 70:00:00\n");
    writeText(dir.file("malformed.cue"), "FILE good.bin BINARY\nTRACK 01 MODE2/2352\n");
    writeText(dir.file("cut.cue"), "FILE cut.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n");
    const struct {
        const char* file;
        std::string why;
    } cases[] = {
        {"bad.cue",
         "sector 123 of the data track has no sync pattern in " + dir.file("bad sync.bin")},
        {"bad sync.bin",
         "sector 123 of the data track has no sync pattern in " + dir.file("bad sync.bin")},
        {"mode.cue", "sector 40 of the data track is of mode 1 in " + dir.file("wrong mode.bin")},
        {"wrong mode.bin",
         "sector 40 of the data track is of mode 1 in " + dir.file("wrong mode.bin")},
        {"missing.cue",
         "the track file " + dir.file("gone.bin") + " named by the CUE sheet is missing"},
        {"audio.cue", "the CUE sheet " + dir.file("audio.cue") +
                          " holds audio tracks only: there is no data to install"},
        {"absolute.cue", "the CUE sheet " + dir.file("absolute.cue") + " names its track file " +
                             dir.file("good.bin") + " by a path that is not relative to the sheet"},
        {"windows.cue", "the CUE sheet " + dir.file("windows.cue") +
                            " names its track file C:\\games\\good.bin by a path that is not "
                            "relative to the sheet"},
        {"wave.cue", "the data track of " + dir.file("wave.cue") + " is in a file of type WAVE"},
        {"outside.cue", "the data track of " + dir.file("outside.cue") + " lies outside its file " +
                            dir.file("good.bin")},
        {"malformed.cue", "the CUE sheet " + dir.file("malformed.cue") +
                              " is malformed: the last track has no INDEX 01"},
        {"cut.cue", "the track file " + dir.file("cut.bin") + " does not hold whole sectors"},
        {"cut.bin",
         "the raw image " + dir.file("cut.bin") + " does not hold whole 2352-byte sectors"},
        {"nothing.cue", "the CUE sheet " + dir.file("nothing.cue") + " cannot be opened"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(open(dir.file(c.file)), nullptr) << c.file;
        EXPECT_EQ(why, c.why) << c.file;
    }
    EXPECT_EQ(open(dir.file("nothing.iso")), nullptr);
    EXPECT_EQ(why, "");
}

TEST_F(RawSectorImageTest, ASectorDamagedAfterTheCheckFailsItsRead) {
    std::vector<std::uint8_t> bin = rawSectorsOf(image, 1);
    writeBytes(dir.file("game.bin"), bin);
    std::unique_ptr<DiscDevice> device = open(dir.file("game.bin"));
    ASSERT_TRUE(device);
    bin[200 * 2352 + 3] = 0;
    writeBytes(dir.file("game.bin"), bin);
    std::vector<std::uint8_t> block(64 * 2048);
    EXPECT_EQ(device->read(128 * 2048, block.data(), block.size()), 64 * 2048);
    EXPECT_EQ(device->read(192 * 2048, block.data(), block.size()), -1);
}

TEST_F(RawSectorImageTest, OnlyPlainFilesAndDrivesAreOpenedAndNothingWaits) {
    // A FIFO without a writer would keep a plain open waiting for ever.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", dir.file("socket").c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::filesystem::create_directory(dir.file("folder"));
    std::filesystem::create_symlink(dir.file("gone"), dir.file("dangling"));
    const std::string track = " BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n";
    const struct {
        std::string path;
        std::string why;
    } cases[] = {
        {dir.file("fifo"), dir.file("fifo") + " is a FIFO, not a disc image or a drive"},
        {dir.file("socket"), dir.file("socket") + " is a socket, not a disc image or a drive"},
        {dir.file("folder"), dir.file("folder") + " is a folder, not a disc image or a drive"},
        {"/dev/null", "/dev/null is a character device, not a disc image or a drive"},
        {"fifo", "the track file " + dir.file("fifo") + " named by the CUE sheet is a FIFO"},
        {"folder", "the track file " + dir.file("folder") + " named by the CUE sheet is a folder"},
        {"dangling",
         "the track file " + dir.file("dangling") + " named by the CUE sheet is a link to nothing"},
    };
    for (const auto& c : cases) {
        std::string path = c.path;
        if (path.find('/') == std::string::npos) {  // a track file: through a sheet
            path = dir.file(c.path + ".cue");
            writeText(path, "FILE " + c.path + track);
        }
        EXPECT_EQ(open(path), nullptr) << path;
        EXPECT_EQ(why, c.why) << path;
    }
    ::close(sock);
}
