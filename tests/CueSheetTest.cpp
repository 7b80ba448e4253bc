// The CUE sheet parser: what a real sheet may hold, and what it refuses.
#include <gtest/gtest.h>

#include "install/CueSheet.h"

using namespace install;

TEST(CueSheetTest, ReadsFilesTracksAndIndexes) {
    const auto parsed = parseCueSheet(
        "\xEF\xBB\xBFREM GENRE Game\r\n"
        "FILE \"My Game (Track 1).bin\" BINARY\r\n"
        "  TRACK 01 mode2/2352\r\n"
        "    INDEX 01 00:00:00\r\n"
        "FILE track2.bin BINARY\r\n"
        "  TRACK 02 AUDIO\r\n"
        "    FLAGS DCP\r\n"
        "    INDEX 00 00:00:00\r\n"
        "    INDEX 01 00:02:00\r\n"
        "    INDEX 02 01:02:74\r\n");
    ASSERT_TRUE(parsed) << parsed.failure().reason;
    const CueSheet& sheet = parsed.value();
    ASSERT_EQ(sheet.files.size(), 2u);
    EXPECT_EQ(sheet.files[0].name, "My Game (Track 1).bin");
    EXPECT_EQ(sheet.files[1].name, "track2.bin");
    ASSERT_EQ(sheet.tracks.size(), 2u);
    EXPECT_EQ(sheet.tracks[0].mode, "MODE2/2352");
    EXPECT_EQ(sheet.tracks[0].index1, 0);
    EXPECT_EQ(sheet.tracks[1].file, 1u);
    EXPECT_EQ(sheet.tracks[1].index0, 0);
    EXPECT_EQ(sheet.tracks[1].index1, 150);
}

TEST(CueSheetTest, APregapAtTheEndOfTheFileBeforeMovesTheTrackToTheNewFile) {
    const auto parsed = parseCueSheet(
        "FILE a.bin BINARY\nTRACK 1 MODE1/2352\nINDEX 1 0:0:0\n"
        "TRACK 2 AUDIO\nINDEX 0 10:00:00\nFILE b.bin BINARY\nINDEX 1 0:0:0\n");
    ASSERT_TRUE(parsed) << parsed.failure().reason;
    const CueSheet& sheet = parsed.value();
    EXPECT_EQ(sheet.tracks[1].file, 1u);
    EXPECT_EQ(sheet.tracks[1].index0, -1);
}

TEST(CueSheetTest, RefusesMalformedSheetsNamingTheLine) {
    const struct {
        const char* sheet;
        const char* error;
    } cases[] = {
        {"", "the sheet names no track"},
        {"REM only\n", "the sheet names no track"},
        {"TRACK 01 MODE1/2352\n", "line 1: TRACK before any FILE"},
        {"FILE \"a.bin BINARY\n", "line 1: unmatched quote"},
        {"FILE \"a\"b BINARY\n", "line 1: unmatched quote"},
        {"FILE a.bin\n", "line 1: FILE needs a file name and a type"},
        {"FILE a.bin TAPE\n", "line 1: unknown FILE type TAPE"},
        {"FILE a.bin BINARY\nTRACK 01 MODE3/2352\n", "line 2: unknown track mode MODE3/2352"},
        {"FILE a.bin BINARY\nTRACK 00 MODE1/2352\n",
         "line 2: TRACK needs a number from 1 to 99 and a mode"},
        {"FILE a.bin BINARY\nTRACK 01 MODE1/2352\n", "the last track has no INDEX 01"},
        {"FILE a.bin BINARY\nTRACK 01 MODE1/2352\nTRACK 02 AUDIO\n",
         "line 3: the track before has no INDEX 01"},
        {"FILE a.bin BINARY\nTRACK 02 MODE1/2352\nINDEX 01 00:00:00\nTRACK 01 AUDIO\n",
         "line 4: track numbers must rise"},
        {"FILE a.bin BINARY\nINDEX 01 00:00:00\n", "line 2: INDEX before any TRACK"},
        {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:60:00\n",
         "line 3: INDEX needs a number and a time mm:ss:ff"},
        {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n",
         "line 3: INDEX needs a number and a time mm:ss:ff"},
        {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:02:00\nINDEX 00 00:00:00\n",
         "line 4: INDEX 00 out of order"},
        {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:02:00\nINDEX 01 00:01:00\n",
         "line 4: INDEX 01 out of order"},
        {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 0:0:0\nFILE b.bin BINARY\nINDEX 02 0:1:0\n",
         "line 5: INDEX of a track whose FILE has ended"},
        {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nBOGUS\n",
         "line 4: unknown command BOGUS"},
        {"FILE a.bin BINARY\x01\n", "line 1: control character in the sheet"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseCueSheet(c.sheet);
        ASSERT_FALSE(parsed) << c.sheet;
        EXPECT_EQ(parsed.failure().reason, c.error) << c.sheet;
    }
    EXPECT_FALSE(parseCueSheet(std::string(kMaxCueSheetBytes + 1, ' ')));
}
