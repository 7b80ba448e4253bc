// What the progress window says from the routines' reports, on a clock of
// the test's own: the figures, the speed and the time left, the outcome,
// and how often it is drawn.
#include <gtest/gtest.h>

#include "ui/ProgressState.h"

using namespace ui;

namespace {

using Clock = ProgressState::Clock;
using std::chrono::milliseconds;

Clock::time_point at(int ms) {
    return Clock::time_point{} + milliseconds(ms);
}

const ProgressJob kInstall{"Installing", "Installed", "Game1", std::uint64_t{1} << 20, false};

// An install of 1400 MB, begun and shown at time 0, as the split writer reports it.
ProgressState installAt(int position) {
    ProgressState state;
    state.begin(kInstall);
    state.show();
    state.setRange(1400, at(0));
    state.setText("Installing /media/usb/zt.1A2B3C4D.SLUS_123.45.00");
    state.setPosition(position);
    return state;
}

}  // namespace

TEST(ProgressStateTest, TheLineNamesTheGameWithItsFiguresNeverAPartFile) {
    const struct {
        int position, now;
        std::string line;
        int bar;
    } cases[] = {
        {0, 0, "Installing Game1: 0 of 1400 MB (0%)", 0},
        {350, 500, "Installing Game1: 350 of 1400 MB (25%)", 250},  // too early for a speed
        {350, 10000, "Installing Game1: 350 of 1400 MB (25%), 35.0 MB/s, 30 s left", 250},
        {700, 100000, "Installing Game1: 700 of 1400 MB (50%), 7.0 MB/s, 1 min 40 s left", 500},
        {1, 10000, "Installing Game1: 1 of 1400 MB (0%), 0.1 MB/s, 3 h 53 min left", 0},
    };
    for (const auto& c : cases) {
        ProgressState state = installAt(c.position);
        const std::optional<ProgressDisplay> view = state.take(at(c.now));
        ASSERT_TRUE(view);
        EXPECT_EQ(view->line, c.line);
        EXPECT_EQ(view->bar, c.bar) << c.line;
        EXPECT_EQ(view->caption, "Cancel");
        EXPECT_TRUE(view->visible);
    }
}

TEST(ProgressStateTest, AQueuesGameSaysWhichItIsAndTheTimeTheQueueHasLeft) {
    ProgressJob job = kInstall;
    job.prefix = "Game 3 of 12: ";
    job.bytesAfter = std::uint64_t{2100} << 20;
    ProgressState state;
    state.begin(job);
    state.show();
    state.setRange(1400, at(0));
    state.setPosition(350);
    EXPECT_EQ(state.take(at(10000))->line,
              "Game 3 of 12: Installing Game1: 350 of 1400 MB (25%), 35.0 MB/s, 30 s left "
              "(1 min 30 s for the queue)");
}

TEST(ProgressStateTest, AWaitForABusyDriveIsSaidUntilTheWorkCounts) {
    ProgressState state;
    state.begin(kInstall);
    state.setText("Another program is changing this drive...");
    state.setRange(0, at(0));
    state.show();
    EXPECT_EQ(state.take(at(0))->line, "Another program is changing this drive...");
    state.setRange(1400, at(5000));
    EXPECT_EQ(state.take(at(5000))->line, "Installing Game1: 0 of 1400 MB (0%)");
}

TEST(ProgressStateTest, EachKindOfJobSaysWhatItDidWhenItEnds) {
    ProgressState install = installAt(1399);
    install.setButtonCaption("OK", at(70000));
    std::optional<ProgressDisplay> view = install.take(at(70000));
    ASSERT_TRUE(view);
    EXPECT_EQ(view->line, "Installed Game1: 1400 MB in 1 min 10 s (20.0 MB/s).");
    EXPECT_EQ(view->caption, "OK");
    EXPECT_EQ(view->bar, ProgressState::kBarMax);

    // An install counts whole megabytes but says the image's real size.
    ProgressState small;
    small.begin({"Installing", "Installed", "CdGame", std::uint64_t{1} << 20, false});
    small.setRange(6, at(0));
    small.setSize(3359 * 2048);  // 6.56 MiB
    small.setPosition(6);
    small.setButtonCaption("OK", at(500));
    EXPECT_EQ(small.take(at(500))->line, "Installed CdGame: 6.6 MB in 1 s.");

    // A small copy counts in kilobytes, and says so with a decimal.
    ProgressState copy;
    copy.begin({"Copying", "Copied", "Tiny\x1b", 1024, false});
    copy.show();
    copy.setRange(2048, at(0));
    copy.setPosition(1024);
    EXPECT_EQ(copy.take(at(2000))->line,
              "Copying Tiny\\x1B: 1.0 of 2.0 MB (50%), 0.5 MB/s, 2 s left");
    copy.finish("The game Tiny was copied to /media/b.", at(4000));
    EXPECT_EQ(copy.take(at(4000))->line, "The game Tiny was copied to /media/b.");

    // The format counts in percent and says where the drive is in its own words.
    ProgressState format;
    format.begin({"Formatting", "Formatted", "/dev/sdb1", 0, true});
    format.show();
    format.setRange(100, at(0));
    EXPECT_EQ(format.take(at(0))->line, "Formatting /dev/sdb1");
    format.setPosition(100);
    format.setButtonCaption("OK", at(3000));
    format.setText("Formatted. The drive is mounted at /media/NEW");
    view = format.take(at(3000));
    EXPECT_EQ(view->line, "Formatted. The drive is mounted at /media/NEW");
    EXPECT_EQ(view->caption, "OK");
}

TEST(ProgressStateTest, FiguresAreRedrawnAFewTimesASecondAndEverythingElseAtOnce) {
    ProgressState state = installAt(0);
    EXPECT_TRUE(state.take(at(0)));
    EXPECT_FALSE(state.take(at(10)));  // nothing new
    state.setPosition(1);
    EXPECT_FALSE(state.take(at(100)));  // too soon after the last
    state.setPosition(2);
    std::optional<ProgressDisplay> view = state.take(at(260));
    ASSERT_TRUE(view);
    EXPECT_EQ(view->line.substr(0, 30), "Installing Game1: 2 of 1400 MB");
    state.setPosition(3);
    state.hide();  // the job failed: hidden at once
    view = state.take(at(270));
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->visible);
}

TEST(ProgressStateTest, DismissingGivesTheNextJobAFreshWindow) {
    ProgressState state = installAt(1400);
    state.setButtonCaption("OK", at(5000));
    state.dismiss();
    std::optional<ProgressDisplay> view = state.take(at(6000));
    EXPECT_FALSE(view->visible);
    EXPECT_EQ(view->bar, 0);
    EXPECT_EQ(view->caption, "Cancel");
    state.begin({"Verifying", "Verified", "Game2", std::uint64_t{1} << 20, false});
    state.show();
    state.setRange(10, at(7000));
    view = state.take(at(7000));
    EXPECT_EQ(view->line, "Verifying Game2: 0.0 of 10.0 MB (0%)");
    EXPECT_EQ(view->caption, "Cancel");
}
