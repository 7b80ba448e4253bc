// Every tool names itself and the project's one version number.
#include <gtest/gtest.h>

#include "ToolRun.h"
#include "zt_version.h"

TEST(ToolVersionTest, EachToolPrintsItsNameAndTheProjectVersion) {
    for (const char* tool : {"zt_install", "zt_games", "zt_format"}) {
        // --version wins over everything else on the line, even a wrong usage.
        for (const char* arguments : {"--version", "list --version", "--bogus --version"}) {
            ToolRun run = runTool(tool, arguments);
            EXPECT_EQ(run.status, 0) << tool << ' ' << arguments;
            EXPECT_EQ(run.out, std::string(tool) + " " + ZT_VERSION + "\n") << tool;
            EXPECT_EQ(run.err, "") << tool;
        }
    }
}
