// Verification: known-answer digests, the stream through several buffers,
// and the first differing sector found across parts.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "TempDir.h"
#include "library/DatFile.h"
#include "library/GameVerify.h"

using namespace library;
using namespace store;
using namespace report;

namespace {

std::string md5Of(const ImageDigests& d) {
    return hexOf(d.md5.data(), d.md5.size());
}
std::string sha1Of(const ImageDigests& d) {
    return hexOf(d.sha1.data(), d.sha1.size());
}

ImageReader memoryImage(const std::vector<std::uint8_t>& image) {
    return [&image](std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
        if (offset >= image.size())
            return std::int64_t{0};
        std::size_t take = std::min<std::size_t>(length, image.size() - offset);
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(offset), take, buffer);
        return static_cast<std::int64_t>(take);
    };
}

}  // namespace

TEST(StreamDigestTest, KnownAnswers) {
    const std::string abc = "abc";
    ImageDigests d = StreamDigest::of(reinterpret_cast<const std::uint8_t*>(abc.data()), 3);
    EXPECT_EQ(d.bytes, 3u);
    EXPECT_EQ(crc32Hex(d.crc32), "352441c2");
    EXPECT_EQ(md5Of(d), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(sha1Of(d), "a9993e364706816aba3e25717850c26c9cd0d89d");

    d = StreamDigest::of(nullptr, 0);
    EXPECT_EQ(crc32Hex(d.crc32), "00000000");
    EXPECT_EQ(md5Of(d), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(sha1Of(d), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(StreamDigestTest, PiecesOfAnySizeThroughEverySlotGiveTheDigestOfTheWhole) {
    // More pieces than slots, so that every buffer is reused while workers run.
    const std::vector<std::uint8_t> data = randomBytes(StreamDigest::kChunkBytes * 3 + 12345, 5);
    const ImageDigests whole = StreamDigest::of(data.data(), data.size());
    StreamDigest digest;
    std::size_t done = 0;
    for (std::size_t piece = 1; done < data.size(); piece = piece * 7 % 3000001 + 1) {
        std::size_t take = std::min({piece, data.size() - done, StreamDigest::kChunkBytes});
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(done), take, digest.buffer());
        digest.submit(take);
        done += take;
    }
    ImageDigests pieces = digest.finish();
    EXPECT_EQ(pieces.bytes, data.size());
    EXPECT_EQ(pieces.crc32, whole.crc32);
    EXPECT_EQ(pieces.md5, whole.md5);
    EXPECT_EQ(pieces.sha1, whole.sha1);
}

TEST(GameVerifyTest, DigestsOfTheGameAndTheComparisonWithAnImage) {
    GameDrive drive;
    const std::vector<std::uint8_t> image = randomBytes(300 * 2048 + 100, 9);
    drive.addGame("My Game", "ABCD_123.45", {0});
    writeBytes(drive.part("My Game", "ABCD_123.45", 0), image);
    ScriptedFrontEnd ui;

    VerifyResult report = verifyGame(drive.root(), "My Game", ui.frontEnd());
    ASSERT_TRUE(report.succeeded());
    const ImageDigests expected = StreamDigest::of(image.data(), image.size());
    EXPECT_EQ(report.value().digests.bytes, image.size());
    EXPECT_EQ(report.value().digests.md5, expected.md5);
    EXPECT_EQ(report.value().digests.sha1, expected.sha1);
    EXPECT_EQ(report.value().digests.crc32, expected.crc32);
    EXPECT_TRUE(report.value().damage.empty());
    EXPECT_FALSE(ui.progress.visible);

    report = verifyGame(drive.root(), "My Game", ui.frontEnd(), memoryImage(image));
    EXPECT_EQ(report.value().firstDifferentSector, std::nullopt);

    std::vector<std::uint8_t> other = image;
    other[77 * 2048 + 2047] ^= 1;
    other[200 * 2048] ^= 1;
    report = verifyGame(drive.root(), "My Game", ui.frontEnd(), memoryImage(other));
    EXPECT_EQ(report.value().firstDifferentSector, 77u);

    // Shorter and longer images differ where the shorter one ends.
    other = image;
    other.resize(299 * 2048 + 5);
    report = verifyGame(drive.root(), "My Game", ui.frontEnd(), memoryImage(other));
    EXPECT_EQ(report.value().firstDifferentSector, 299u);
    other = image;
    other.push_back(0);
    report = verifyGame(drive.root(), "My Game", ui.frontEnd(), memoryImage(other));
    EXPECT_EQ(report.value().firstDifferentSector, 300u);

    // An image that cannot be read is a failure, not a difference.
    report = verifyGame(drive.root(), "My Game", ui.frontEnd(),
                        [](std::uint64_t, std::uint8_t*, std::size_t) { return std::int64_t{-1}; });
    EXPECT_TRUE(report.failedAt(VerifyStep::Failed));
    EXPECT_EQ(ui.boxes.shown.back(), "Cannot read the image to compare game My Game with.");
}

TEST(GameVerifyTest, ACorruptedThirdPartIsFoundAtItsSectorOfTheImage) {
    // Sectors count on across parts (short parts here: the offsets are what matters).
    GameDrive drive;
    const std::vector<std::uint8_t> image = randomBytes(3 * 64 * 2048, 4);
    drive.addGame("Three", "THRE_000.01", {0, 0, 0});
    for (int i = 0; i < 3; ++i) {
        std::vector<std::uint8_t> part(image.begin() + i * 64 * 2048,
                                       image.begin() + (i + 1) * 64 * 2048);
        if (i == 2)
            part[10 * 2048 + 99] ^= 0x40;
        writeBytes(drive.part("Three", "THRE_000.01", i), part);
    }
    ScriptedFrontEnd ui;
    VerifyResult report = verifyGame(drive.root(), "Three", ui.frontEnd(), memoryImage(image));
    ASSERT_TRUE(report.succeeded());
    EXPECT_EQ(report.value().parts, 3);
    EXPECT_EQ(report.value().firstDifferentSector, 128u + 10);
}

TEST(GameVerifyTest, RefusesUnknownDamagedAndIncompleteGamesAndStopsOnCancel) {
    GameDrive drive;
    drive.addGame("Three", "THRE_000.01", {100, 100, 100});
    drive.appendRecord(gameRecord("Bad ID", "../x", 1));
    drive.addGame("Gone", "GONE_000.01", {2048, 2048});
    std::filesystem::remove(drive.part("Gone", "GONE_000.01", 1));
    ScriptedFrontEnd ui;
    EXPECT_TRUE(verifyGame(drive.root(), "Nobody", ui.frontEnd()).failedAt(VerifyStep::Refused));
    EXPECT_EQ(ui.boxes.shown.back(), "The game Nobody was not found.");
    EXPECT_TRUE(verifyGame(drive.root(), "Bad ID", ui.frontEnd()).failedAt(VerifyStep::Refused));
    EXPECT_EQ(ui.boxes.shown.back(),
              "The record of game Bad ID is damaged; it cannot be verified.");
    EXPECT_TRUE(verifyGame(drive.root(), "Gone", ui.frontEnd()).failedAt(VerifyStep::Refused));
    EXPECT_EQ(ui.boxes.shown.back(), "The part file " + drive.part("Gone", "GONE_000.01", 1) +
                                         " of game Gone is missing; the game cannot be verified.");

    // Parts before the last that are not 1 GiB are reported; the digests still come.
    VerifyResult report = verifyGame(drive.root(), "Three", ui.frontEnd());
    EXPECT_TRUE(report.succeeded());
    EXPECT_EQ(report.value().digests.bytes, 300u);
    EXPECT_EQ(report.value().damage, "The part file " + drive.part("Three", "THRE_000.01", 0) +
                                         " holds 100 bytes instead of 1073741824");

    ui.progress.cancel = true;
    ui.progress.cancelAfterUpdates = 0;
    report = verifyGame(drive.root(), "Three", ui.frontEnd());
    EXPECT_TRUE(report.failedAt(VerifyStep::Cancelled));
    EXPECT_FALSE(ui.progress.visible);
}

TEST(DatFileTest, FindsTheEntryWhoseHashesAllMatch) {
    const std::string abc = "abc";
    ImageDigests d = StreamDigest::of(reinterpret_cast<const std::uint8_t*>(abc.data()), 3);
    TempDir dir;
    writeBytes(dir.file("games.dat"), {});
    const std::string dat =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile>\n<datafile>\n"
        "<header><name>Test</name></header>\n"
        "<game name=\"Size differs\"><rom name=\"a.iso\" size=\"4\" crc=\"352441c2\"/></game>\n"
        "<game name=\"SHA-1 differs\"><rom name=\"b.iso\" size=\"3\" crc=\"352441c2\" "
        "sha1=\"0000000000000000000000000000000000000000\"/></game>\n"
        "<game name=\"No hashes\"><rom name=\"c.iso\" size=\"3\"/></game>\n"
        "<machine name=\"The &amp; Game\"><description>x</description>"
        "<rom name=\"The Game.iso\" size=\"3\" crc=\"352441C2\" "
        "md5=\"900150983CD24FB0D6963F7D28E17F72\" "
        "sha1=\"a9993e364706816aba3e25717850c26c9cd0d89d\"/></machine>\n"
        "</datafile>\n";
    writeBytes(dir.file("games.dat"), std::vector<std::uint8_t>(dat.begin(), dat.end()));
    DatLookup found = lookUpInDat(dir.file("games.dat"), d);
    EXPECT_TRUE(found.readable);
    EXPECT_TRUE(found.matched);
    EXPECT_EQ(found.game, "The & Game");
    EXPECT_EQ(found.rom, "The Game.iso");

    DatLookup none = lookUpInDat(dir.file("games.dat"), StreamDigest::of(nullptr, 0));
    EXPECT_TRUE(none.readable);
    EXPECT_FALSE(none.matched);

    writeBytes(dir.file("broken.dat"), {'<', 'd', 'a', 't', 'a'});
    EXPECT_FALSE(lookUpInDat(dir.file("broken.dat"), d).readable);
    const std::string other = "<softwarelist/>";
    writeBytes(dir.file("other.xml"), std::vector<std::uint8_t>(other.begin(), other.end()));
    DatLookup wrong = lookUpInDat(dir.file("other.xml"), d);
    EXPECT_FALSE(wrong.readable);
    EXPECT_EQ(wrong.error, "it is not a Logiqx DAT file (no <datafile> element)");
    EXPECT_EQ(lookUpInDat(dir.file("missing.dat"), d).error, "the file cannot be opened");
}
