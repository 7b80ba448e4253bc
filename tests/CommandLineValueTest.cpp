// Options that take a value, as "--dat FILE" and "--dat=FILE".
#include <gtest/gtest.h>

#include "cli/CommandLine.h"

using namespace cli;

namespace {

CommandLine parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tool");
    return parseCommandLine(static_cast<int>(args.size()), args.data(), {"--json"}, {"--dat"});
}

}  // namespace

TEST(CommandLineValueTest, ValueFollowsOrIsJoined) {
    CommandLine line = parse({"verify", "--dat", "-odd name.dat", "/media/usb", "Game"});
    EXPECT_EQ(line.value("--dat"), "-odd name.dat");
    EXPECT_EQ(line.operands, (std::vector<std::string>{"verify", "/media/usb", "Game"}));
    line = parse({"--dat=a=b.dat", "x"});
    EXPECT_EQ(line.value("--dat"), "a=b.dat");
    EXPECT_EQ(line.value("--other"), std::nullopt);
    EXPECT_TRUE(line.badOption.empty());
}

TEST(CommandLineValueTest, AMissingValueIsAnError) {
    CommandLine line = parse({"verify", "root", "name", "--dat"});
    EXPECT_EQ(line.badOption, "--dat (without its value)");
    // After "--" the option word is an operand.
    line = parse({"--", "--dat", "x"});
    EXPECT_EQ(line.value("--dat"), std::nullopt);
    EXPECT_EQ(line.operands.size(), 2u);
}
