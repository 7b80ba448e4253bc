#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>

#include "FakeDisc.h"
#include "TempDir.h"
#include "cli/ConsoleFrontEnd.h"
#include "install/InstallCommand.h"
#include "platform/DriveNames.h"

using namespace cli;
using namespace install;
using namespace platform;
using namespace report;
using namespace store;

namespace {

CommandLine parse(std::vector<const char*> args,
                  std::initializer_list<std::string_view> flags = {}) {
    args.insert(args.begin(), "tool");
    return parseCommandLine(static_cast<int>(args.size()), args.data(), flags);
}

}  // namespace

TEST(CommandLineTest, OptionsAnywhereAndRemovedFromOperands) {
    CommandLine line = parse({"list", "--yes", "/media/usb", "--json"}, {"--json"});
    EXPECT_EQ(line.operands, (std::vector<std::string>{"list", "/media/usb"}));
    EXPECT_TRUE(line.yes);
    EXPECT_TRUE(line.has("--json"));
    EXPECT_TRUE(line.badOption.empty());
}

TEST(CommandLineTest, DoubleDashEndsOptions) {
    CommandLine line = parse({"--", "--yes", "-x", "-"});
    EXPECT_EQ(line.operands, (std::vector<std::string>{"--yes", "-x", "-"}));
    EXPECT_FALSE(line.yes);
}

TEST(CommandLineTest, UnknownOptionIsReported) {
    CommandLine line = parse({"a", "--bogus", "--json"});
    EXPECT_EQ(line.badOption, "--bogus");
    EXPECT_EQ(routineArguments(line.operands), (std::vector<std::string>{"", "a"}));
}

TEST(ConsoleMessageBoxesTest, AnswersWithoutTerminal) {
    std::ostringstream err;
    std::istringstream in("y\n");
    ConsoleMessageBoxes no(err, in, false, false);
    EXPECT_FALSE(no.ask("Delete Game X?", false));
    ConsoleMessageBoxes yes(err, in, false, true);
    EXPECT_TRUE(yes.ask("Delete Game X?", true));
    EXPECT_EQ(err.str(), "Delete Game X?\nDelete Game X?\n");
}

TEST(ConsoleMessageBoxesTest, TerminalAnswersAndDefaults) {
    std::ostringstream err;
    std::istringstream in("\n\ny\nmaybe\nn\ny\n");
    ConsoleMessageBoxes boxes(err, in, true, false);
    EXPECT_FALSE(boxes.ask("Q", true));   // empty line, default No
    EXPECT_TRUE(boxes.ask("Q", false));   // no default: asks again after the empty line, then y
    EXPECT_FALSE(boxes.ask("Q", false));  // asks again after "maybe", then n
    EXPECT_TRUE(boxes.ask("Q", false));
    EXPECT_FALSE(boxes.ask("Q", false));  // end of input
}

// On a console the status line and a box print on one stream: a box's line
// that says again what the status line has just printed is printed once.
TEST(ConsoleFrontEndTest, ABoxDoesNotPrintAgainTheStatusLinePrintedAboveIt) {
    struct Case {
        std::string status, box, printed;
    };
    const std::vector<Case> cases = {
        {"Invalid disc\n", "Source drive is invalid\nInvalid disc\nThere is no volume.\n",
         "Invalid disc\nSource drive is invalid\nThere is no volume.\n"},
        {"Cannot write data", "Cannot write data!\nE:\\g.00: Disk full",
         "Cannot write data\nE:\\g.00: Disk full\n"},
        {"\nCannot write file\n", "Cannot write file\nE:\\g.00: Denied",
         "\nCannot write file\nE:\\g.00: Denied\n"},
        {"Cannot write data", "Cannot write data!", "Cannot write data\n"},
        {"\nGIVING UP\n", "Read Error!", "\nGIVING UP\nRead Error!\n"},
    };
    for (const Case& c : cases) {
        std::ostringstream err;
        std::streambuf* const console = std::cerr.rdbuf(err.rdbuf());
        {
            ConsoleFrontEnd console(false);
            FrontEnd frontEnd = console.frontEnd();
            frontEnd.status.setText(c.status);
            frontEnd.boxes.show(c.box);
            frontEnd.boxes.show(c.box);  // a later box says all it says
        }
        std::cerr.rdbuf(console);
        EXPECT_EQ(err.str(), c.printed + c.box + (c.box.back() == '\n' ? "" : "\n")) << c.box;
    }
}

TEST(ConsoleProgressTest, InterruptBeforeTheCopyStillCancelsTheInstall) {
    // Ctrl-C (or a termination request) while the disc is identified or a
    // question is answered: the install must end as a cancelled one.
    std::ostringstream err, out;
    std::istringstream in;
    ConsoleStatusLine status(err);
    ConsoleMessageBoxes boxes(err, in, false, true);
    ConsoleProgress progress(err, false);
    progress.cancelFlag()->store(true);
    FrontEnd frontEnd{status, boxes, progress, out};
    TempDir drive;
    InstallCommand command(frontEnd, fakeOpener(makeGameDisc(3000)));
    EXPECT_EQ(command.run({"", "fake", drive.root(), "My Game", "DVD"}), 0);
    EXPECT_TRUE(std::filesystem::is_empty(drive.path()));
    EXPECT_EQ(out.str().find("copy finished"), std::string::npos);
}

TEST(ConsoleProgressTest, WithoutTerminalSequencesTheBarIsDrawnThroughTheConsoleBuffer) {
    std::ostringstream err;
    ConsoleProgress progress(err, true);
    std::vector<std::pair<int, std::string>> lines;
    progress.drawLine = [&lines](int below, const std::string& text) {
        lines.emplace_back(below, text);
        return true;
    };
    progress.setUnit("MB");
    progress.setRange(2);
    progress.show();
    progress.setPosition(2);
    progress.erase(true);  // a printed line break took the cursor onto the bar's line
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (std::pair<int, std::string>{1, "[" + std::string(30, '#') + "] 2/2MB"}));
    EXPECT_EQ(lines[1], (std::pair<int, std::string>{0, ""}));
    EXPECT_EQ(err.str(), "");  // no terminal sequences
}

TEST(RedrawThrottleTest, RedrawsAFewTimesASecondAndShowsTheLastLineBeforeOtherText) {
    using namespace std::chrono_literals;
    std::ostringstream target;
    RedrawThrottle::Clock::time_point now{};
    RedrawThrottle throttle(target.rdbuf(), [&now] { return now; });
    std::ostream out(&throttle);
    // Every 100 ms a line redrawn in place, then a line of its own.
    for (int step = 0; step <= 5; ++step) {
        out << "COPYING: " << step << "MB\r" << std::flush;
        now += 100ms;
    }
    EXPECT_EQ(target.str(), "COPYING: 0MB\rCOPYING: 3MB\r");
    out << "copy finished\n";
    const std::string shown = "COPYING: 0MB\rCOPYING: 3MB\rCOPYING: 5MB\rcopy finished\n";
    EXPECT_EQ(target.str(), shown);
    out << "COPYING: 7MB\r" << std::flush;  // 300 ms after the last redraw
    now += 100ms;
    out << "COPYING: 8MB\r" << std::flush;
    EXPECT_EQ(target.str(), shown + "COPYING: 7MB\r");
    throttle.release();               // before text on standard error
    out << "Delete? " << std::flush;  // a prompt waits for nothing
    EXPECT_EQ(target.str(), shown + "COPYING: 7MB\rCOPYING: 8MB\rDelete? ");
}

TEST(CommandLineTest, QuestionMarkOptionsAskForHelpAsTheSystemsOwnToolsTakeThem) {
    EXPECT_TRUE(parse({"-?"}).help);
    // "/?" where drives have letters (Windows); elsewhere it is a path.
    CommandLine slash = parse({"/?"});
    EXPECT_EQ(slash.help, platform::drivesHaveLetters());
    EXPECT_EQ(slash.operands.empty(), platform::drivesHaveLetters());
}

TEST(RedrawThrottleTest, AFailedWriteReachesTheStream) {
    // A target that takes nothing, as a closed terminal or a full device.
    struct Refusing : std::streambuf {
        std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
    } refusing;
    RedrawThrottle throttle(&refusing);
    std::ostream out(&throttle);
    out << "copy finished\n" << std::flush;
    EXPECT_TRUE(out.fail());
}
