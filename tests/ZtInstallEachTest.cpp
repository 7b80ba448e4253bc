// zt_install --each: several images onto one drive, one outcome per image,
// run as a user would, with no terminal and no standard input.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "GameDrive.h"
#include "GameIso.h"
#include "ToolRun.h"

using namespace store;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class ZtInstallEachTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!haveProgram("xorriso"))
            GTEST_SKIP() << "no xorriso";
        for (const auto& [name, id] :
             {std::pair{"Alpha", "SLUS_000.01"}, {"Beta", "SLUS_000.02"}}) {
            ASSERT_FALSE(makeGameIso(work, 1 << 20, id[9], "DATA/GAME.BIN", id).empty());
            std::filesystem::rename(work.file("game.iso"), work.file(std::string(name) + ".iso"));
        }
        std::filesystem::copy_file(work.file("Alpha.iso"), work.file("Gamma.iso"));
        writeBytes(work.file(kBad + ".iso"), randomBytes(100000, 3));  // no disc image
    }

    // The images named, as arguments.
    std::string images(const std::vector<std::string>& names) const {
        std::string text;
        for (const std::string& name : names)
            text += " " + shellQuoted(work.file(name + ".iso"));
        return text;
    }

    // Any byte may stand in a file's name: a quote, a control byte, one that is no UTF-8.
    const std::string kBad = "Bad \"one\"\x01\xFF";
    TempDir work;
};

struct EachCase {
    const char* what;
    std::string options;
    std::vector<std::string> images;
    int status;
    std::vector<std::string> lines;  // the start of each outcome line
    std::vector<std::string> names;  // the games on the drive afterwards
    std::string gammaFile;           // the image file Gamma's record names afterwards
};

TEST_F(ZtInstallEachTest, PrintsOneOutcomePerImageAndFailsWhenOneIsNotInstalled) {
    const std::string noTerminal =
        "Gamma (Gamma.iso): skipped: a game of this name is on the drive; with no terminal to "
        "ask, it was not replaced (--yes replaces it)";
    const std::vector<EachCase> cases = {
        {"every image installed",
         "--yes",
         {"Alpha", "Beta"},
         0,
         {"Alpha (Alpha.iso): installed", "Beta (Beta.iso): installed"},
         {"Alpha", "Beta", "Gamma"},
         "zt.SLUS_000.09"},
        {"a bad image among good ones, one replacing",
         "--yes",
         {"Alpha", kBad, "Beta", "Gamma"},
         1,
         {"Alpha (Alpha.iso): installed",
          "Bad \"one\"\\x01\xFF (Bad \"one\"\\x01\xFF.iso): failed: ", "Beta (Beta.iso): installed",
          "Gamma (Gamma.iso): replaced"},
         {"Alpha", "Beta", "Gamma"},
         "zt.SLUS_000.01"},
        {"no terminal: a replace is skipped",
         "",
         {"Alpha", "Gamma"},
         1,
         {"Alpha (Alpha.iso): installed", noTerminal},
         {"Alpha", "Gamma"},
         "zt.SLUS_000.09"},
    };
    for (const EachCase& c : cases) {
        GameDrive drive;
        drive.addGame("Gamma", "SLUS_000.09", {4096});
        const std::string target = drive.root().substr(0, drive.root().size() - 1);  // no '/'
        const ToolRun run =
            runTool("zt_install", c.options + " --each " + shellQuoted(target) + images(c.images));
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
        // The outcomes end the output, after each game's own lines.
        const std::vector<std::string> lines = linesOf(run.out);
        ASSERT_GE(lines.size(), c.lines.size()) << c.what << "\n" << run.out;
        const std::size_t first = lines.size() - c.lines.size();
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(lines[first + i].rfind(c.lines[i], 0), 0u)
                << c.what << ": " << lines[first + i];
        EXPECT_NE(run.out.find("Game 1 of "), std::string::npos) << c.what;
        std::vector<std::string> names = drive.names();
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.names) << c.what;
        for (const GameEntry& entry : drive.records()) {
            if (entry.DisplayName() == "Gamma") {
                EXPECT_EQ(entry.ImageFileName(), c.gammaFile) << c.what;
            }
        }
    }
}

TEST_F(ZtInstallEachTest, JsonLinesHoldTheOutcomesWhateverTheNames) {
    if (!haveProgram("jq"))
        GTEST_SKIP() << "no jq";
    GameDrive drive;
    const std::string args =
        "--json --each " + shellQuoted(drive.root()) + images({"Alpha", kBad, "Missing"});
    const ToolRun run = runTool("zt_install", args);
    EXPECT_EQ(run.status, 1);
    // jq reads each line and writes back what it read, in a form of its own.
    writeBytes(work.file("outcomes"), std::vector<std::uint8_t>(run.out.begin(), run.out.end()));
    const ToolRun parsed = runShell(
        "jq -c '[(.image | split(\"/\") | last), .name, .outcome, (.reason != \"\"), "
        ".shortened]' " +
        shellQuoted(work.file("outcomes")));
    ASSERT_EQ(parsed.status, 0) << run.out;
    EXPECT_EQ(
        parsed.out,
        "[\"Alpha.iso\",\"Alpha\",\"installed\",false,false]\n"
        "[\"Bad \\\"one\\\"\\u0001\xC3\xBF.iso\",\"Bad \\\"one\\\"\\u0001\xC3\xBF\",\"failed\","
        "true,false]\n"
        "[\"Missing.iso\",\"Missing\",\"skipped\",true,false]\n");
}

TEST_F(ZtInstallEachTest, WrongUsageIsTold) {
    GameDrive drive;
    for (const std::string& args : {"--each " + shellQuoted(drive.root()), std::string("--each"),
                                    "--json " + images({"Alpha"}) + " " + drive.root() + " A CD"}) {
        const ToolRun run = runTool("zt_install", args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_FALSE(run.err.empty()) << args;
    }
    EXPECT_TRUE(drive.files().empty());
}

}  // namespace
