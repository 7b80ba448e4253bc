// Standard output that cannot be written: a pipe whose reader has gone, or a
// full device. The tools run their command to its end, never die in the
// middle of a copy, and exit with a failure that they name.
#include <gtest/gtest.h>
#include <unistd.h>

#include "DiskImage.h"
#include "GameIso.h"
#include "TempDir.h"
#include "ToolRun.h"

using namespace disk;
using namespace store;
using namespace platform;

namespace {

const std::string kUnwritten = "standard output could not be written";

std::string tool(const std::string& name) {
    return shellQuoted(std::string(ZT_BIN_DIR) + "/" + name);
}

// Runs `command` with its standard output on a pipe whose reading end is
// already closed, so that its first write meets the broken pipe.
ToolRun runIntoClosedPipe(const std::string& command) {
    int ends[2];
    if (::pipe(ends) != 0)
        return {};
    ::close(ends[0]);
    ToolRun run = runShell("{ " + command + " 1>&" + std::to_string(ends[1]) + "; }");
    ::close(ends[1]);
    return run;
}

}  // namespace

TEST(OutputFailureTest, UnwritableOutputIsAFailureAfterTheCommand) {
    if (!haveProgram("xorriso"))
        GTEST_SKIP() << "needs xorriso";
    TempDir work, drive;
    const std::string iso = makeGameIso(work, 3u << 20, 7);
    ASSERT_FALSE(iso.empty());
    const std::string root = shellQuoted(drive.root());

    // The install is not killed by the closed pipe: the game is copied whole.
    ToolRun install =
        runIntoClosedPipe(tool("zt_install") + " -y " + shellQuoted(iso) + " " + root + " G DVD");
    EXPECT_EQ(install.status, 1) << install.err;
    EXPECT_NE(install.err.find("zt_install: " + kUnwritten), std::string::npos) << install.err;
    ToolRun check = runTool("zt_games", "check " + root);
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_NE(runTool("zt_games", "list " + root).out.find("\tcomplete\n"), std::string::npos);

    const std::string image = work.file("disk.img");
    makeImage(image, 64ULL << 20);
    ASSERT_EQ(runTool("zt_format", "--yes " + shellQuoted(image) + " INIT").status, 0);
    const std::string commands[] = {
        tool("zt_games") + " list " + root,
        tool("zt_games") + " list --json " + root,
        tool("zt_games") + " verify " + root + " G " + shellQuoted(iso),
        tool("zt_format") + " " + shellQuoted(image) + " INFO",
    };
    for (const std::string& command : commands) {
        for (bool pipe : {false, true}) {
            ToolRun run =
                pipe ? runIntoClosedPipe(command) : runShell("{ " + command + " >/dev/full; }");
            EXPECT_EQ(run.status, 1) << command << (pipe ? " | closed" : " >/dev/full");
            EXPECT_NE(run.err.find(kUnwritten), std::string::npos) << command << run.err;
        }
    }
}

// The help and the version are output too: when they cannot be written, the
// tools say so and exit 1, as their commands do.
TEST(OutputFailureTest, UnwritableHelpOrVersionIsAFailure) {
    for (const char* name : {"zt_games", "zt_install", "zt_format"}) {
        for (const char* option : {"--help", "--version"}) {
            const std::string command = tool(name) + " " + option;
            EXPECT_EQ(runShell(command).status, 0) << command;
            ToolRun run = runShell("{ " + command + " >/dev/full; }");
            EXPECT_EQ(run.status, 1) << command << " >/dev/full";
            EXPECT_NE(run.err.find(kUnwritten), std::string::npos) << command << run.err;
        }
    }
}
