// zt_games run as a command, with no terminal and no standard input.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include <sys/stat.h>

#include "GameDrive.h"
#include "ToolRun.h"
#include "library/GameListText.h"

using namespace library;
using namespace store;
using namespace platform;
using namespace report;

namespace {

using Names = std::vector<std::string>;

ToolRun zt_games(const std::string& arguments) {
    return runTool("zt_games", arguments);
}

}  // namespace

TEST(ZtGamesTest, ListPrintsRowsAndValidJson) {
    GameDrive drive;
    drive.addGame("My Game", "ABCD_123.45", {2048, 1024});
    drive.appendRecord(gameRecord("Say \"hi\"\t\\ \xC3\xA9\xFF", "DVDX_000.01", 1, true));
    std::string root = drive.root().substr(0, drive.root().size() - 1);  // no trailing '/'

    ToolRun text = zt_games("list " + shellQuoted(root));
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out,
              "My Game\t3\t2\tABCD_123.45\tCD\tcomplete\n"
              "Say \"hi\"\\x09\\ \xC3\xA9\xFF\t0\t1\tDVDX_000.01\tDVD\tincomplete\n");
    EXPECT_EQ(text.err.rfind("Disk Size:", 0), 0u);

    ToolRun json = zt_games("--json list " + shellQuoted(root));
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out,
              "[\n"
              "  {\"name\": \"My Game\", \"sizeKB\": 3, \"parts\": 2, \"gameId\": \"ABCD_123.45\", "
              "\"media\": \"CD\", \"complete\": true, \"damaged\": false},\n"
              "  {\"name\": \"Say \\\"hi\\\"\\u0009\\\\ \xC3\xA9\xC3\xBF\", "
              "\"name_bytes\": \"5361792022686922095C20C3A9FF\", \"sizeKB\": 0, "
              "\"parts\": 1, \"gameId\": \"DVDX_000.01\", \"media\": \"DVD\", \"complete\": false, "
              "\"damaged\": false}\n"
              "]\n");
    // Without --yes and without a terminal the destroyed game stays.
    EXPECT_NE(json.err.find("Game Say"), std::string::npos);
    EXPECT_EQ(drive.records().size(), 2u);

    GameDrive empty;
    EXPECT_EQ(zt_games("list --json " + empty.root()).out, "[]\n");

    // A root that is no folder is a failure, not a drive without games.
    ToolRun missing = zt_games("list " + shellQuoted(empty.root() + "missing"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_NE(missing.err.find("cannot be opened"), std::string::npos);
}

TEST(ZtGamesTest, WrongOperandCountPrintsTheUsageOnly) {
    ToolRun run = zt_games("rename /tmp onlyone");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out.rfind("usage: zt_games list ROOT", 0), 0u);
    EXPECT_TRUE(run.err.empty());
    EXPECT_EQ(zt_games("list").status, 2);
    EXPECT_EQ(zt_games("--bogus list /tmp").status, 2);

    ToolRun help = zt_games("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: zt_games [OPTION]...", 0), 0u);
    EXPECT_LT(help.out.find("-y, --yes"), help.out.find("Exit status:"));
    EXPECT_LT(help.out.find("Exit status:"), help.out.find("usage: zt_games list"));
    EXPECT_NE(help.out.find("zt_games check ROOT"), std::string::npos);
}

TEST(ZtGamesTest, DetailsDeleteRenameAndCopy) {
    GameDrive from, to;
    from.addGame("My Game", "ABCD_123.45", {3000, 100});
    from.addGame("-dash", "DASH_000.01", {10});

    ToolRun details = zt_games("details " + from.root() + " 'My Game'");
    EXPECT_EQ(details.status, 0);
    EXPECT_EQ(details.out, "Size 3100 Bytes ,File number 2 \n");
    EXPECT_EQ(zt_games("details " + from.root() + " 'my game'").status, 1);

    ToolRun tooLong = zt_games("rename " + from.root() + " 'My Game' " + std::string(32, 'x'));
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("31 bytes"), std::string::npos);
    EXPECT_EQ(from.names(), (Names{"My Game", "-dash"}));

    EXPECT_EQ(zt_games("rename " + from.root() + " 'My Game' Renamed").status, 0);
    EXPECT_EQ(zt_games("copy " + from.root() + " Renamed " + to.root()).status, 0);
    EXPECT_EQ(to.names(), (Names{"Renamed"}));
    EXPECT_EQ(readBytes(to.part("Renamed", "ABCD_123.45", 0)).size(), 3000u);

    // A second copy must ask; with no terminal the answer is No.
    ToolRun again = zt_games("copy " + from.root() + " Renamed " + to.root());
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("The folder already have game Renamed ,Continue?"), std::string::npos);
    EXPECT_EQ(zt_games("--yes copy " + from.root() + " Renamed " + to.root()).status, 0);
    EXPECT_EQ(to.names(), (Names{"Renamed"}));

    ToolRun declined = zt_games("delete " + from.root() + " -- -dash");
    EXPECT_EQ(declined.status, 1);
    EXPECT_NE(declined.err.find("Delete Game -dash?"), std::string::npos);
    EXPECT_EQ(zt_games("delete --yes " + from.root() + " -- -dash").status, 0);
    EXPECT_EQ(from.names(), (Names{"Renamed"}));
    EXPECT_FALSE(std::filesystem::exists(from.part("-dash", "DASH_000.01", 0)));
}

TEST(GameListTextTest, JsonStringsAreValidWhateverTheBytes) {
    EXPECT_EQ(jsonString("plain"), "\"plain\"");
    EXPECT_EQ(jsonString("a\"b\\c\n\x01\x7F"), "\"a\\\"b\\\\c\\u000A\\u0001\\u007F\"");
    // Well-formed UTF-8 passes through.
    EXPECT_EQ(jsonString("\xE2\x82\xAC \xF0\x9F\x8E\xAE"), "\"\xE2\x82\xAC \xF0\x9F\x8E\xAE\"");
    // Stray, truncated, overlong and surrogate sequences become Latin-1 characters.
    EXPECT_EQ(jsonString("\x80"), "\"\xC2\x80\"");
    EXPECT_EQ(jsonString("\xE2\x82"), "\"\xC3\xA2\xC2\x82\"");
    EXPECT_EQ(jsonString("\xC0\xAF"), "\"\xC3\x80\xC2\xAF\"");
    EXPECT_EQ(jsonString("\xED\xA0\x80"), "\"\xC3\xAD\xC2\xA0\xC2\x80\"");
}

TEST(ZtGamesTest, NamesReachTheTerminalWithTheirControlBytesEscaped) {
    GameDrive drive;
    drive.appendRecord(gameRecord("Evil\x1B]0;owned\x07", "ABCD_123.45", 1));
    ToolRun listed = zt_games("list " + drive.root());  // the missing part raises a question
    EXPECT_NE(listed.err.find("Evil\\x1B]0;owned\\x07"), std::string::npos) << listed.err;
    EXPECT_EQ(listed.err.find('\x1B'), std::string::npos);
    ToolRun missing = zt_games("delete " + drive.root() + " " + shellQuoted("A\x1B[2J"));
    EXPECT_EQ(missing.err.find('\x1B'), std::string::npos);
    EXPECT_NE(missing.err.find("A\\x1B[2J"), std::string::npos);
}

// An empty drive, folder or file operand would mean the shell's current folder.
TEST(ZtGamesTest, EmptyPathOperandsAreWrongUsage) {
    GameDrive drive;
    drive.addGame("My Game", "ABCD_123.45", {10});
    const std::string root = shellQuoted(drive.root());
    TempDir current;
    const struct {
        const char* tool;
        std::string arguments;
    } cases[] = {
        {"zt_install",
         "--yes " + shellQuoted(drive.part("My Game", "ABCD_123.45", 0)) + " '' X CD"},
        {"zt_install", "--yes '' " + root + " X CD"},
        {"zt_games", "list ''"},
        {"zt_games", "check --yes ''"},
        {"zt_games", "details '' 'My Game'"},
        {"zt_games", "copy " + root + " 'My Game' ''"},
        {"zt_games", "copy '' 'My Game' " + root},
        {"zt_games", "export " + root + " 'My Game' ''"},
        {"zt_games", "verify " + root + " 'My Game' ''"},
        {"zt_games", "verify --dat '' " + root + " 'My Game'"},
        {"zt_games", "frag " + root + " ''"},
        {"zt_format", "'' INFO"},
    };
    for (const auto& c : cases) {
        ToolRun run =
            runShell("cd " + shellQuoted(current.root()) + " && " +
                     shellQuoted(std::string(ZT_BIN_DIR) + "/" + c.tool) + " " + c.arguments);
        EXPECT_EQ(run.status, 2) << c.tool << " " << c.arguments << "\n" << run.err;
        EXPECT_NE(run.out.find(c.tool[3] == 'g' ? "usage: zt_games" : "zt_"), std::string::npos)
            << c.arguments;
        EXPECT_TRUE(std::filesystem::is_empty(current.path())) << c.arguments;
    }
    EXPECT_EQ(drive.files().size(), 2u);
}

// A table that is no readable file is named, never listed as a drive without games.
TEST(ZtGamesTest, AnUnreadableTableIsNamedByListAndDetails) {
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
    } tables[] = {
        {"named pipe", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"link", [](const std::string& path) { std::filesystem::create_symlink("zt.old", path); }},
    };
    for (const auto& table : tables) {
        GameDrive drive;
        drive.addGame("My Game", "ABCD_123.45", {10});
        std::filesystem::rename(drive.table(), drive.root() + "zt.old");
        table.make(drive.table());
        for (const std::string command : {"list ", "list --json ", "details "}) {
            ToolRun run =
                zt_games(command + drive.root() + (command[0] == 'd' ? " 'My Game'" : ""));
            EXPECT_EQ(run.status, 1) << table.what << ": " << command;
            EXPECT_EQ(run.out, "") << table.what << ": " << command;
            EXPECT_NE(run.err.find("The game table " + drive.table() + " cannot be read ("),
                      std::string::npos)
                << table.what << ": " << command << run.err;
            EXPECT_EQ(run.err.find("not found"), std::string::npos) << run.err;
        }
        std::filesystem::remove(drive.root() + "zt.old");  // the link now dangles
        if (std::filesystem::is_symlink(drive.table())) {
            EXPECT_EQ(zt_games("list " + drive.root()).status, 1);
        }
    }
}
