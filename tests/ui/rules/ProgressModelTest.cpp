// The one progress model both windows draw: each change that alters more
// than the figures asks the window to draw once, with the lock let go, and
// the window then draws the newest view.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ui/ProgressModel.h"

using namespace ui;

TEST(ProgressModelTest, EachChangeAsksForOneDrawOfTheNewestView) {
    std::vector<ProgressDisplay> drawn;
    ProgressModel* reading = nullptr;
    // As a window draws on its thread: it reads the model while asked to.
    ProgressModel model([&] { drawn.push_back(reading->latest()); });
    reading = &model;
    const struct {
        const char* what;
        std::function<void(ProgressModel&)> change;
        std::string line;
        bool visible;
        std::string caption;
    } steps[] = {
        {"begin",
         [](ProgressModel& m) {
             m.beginJob({"Verifying", "Verified", "Game1", 0, false});
         },
         "Verifying Game1", false, "Cancel"},
        {"show", [](ProgressModel& m) { m.show(); }, "Verifying Game1", true, "Cancel"},
        {"range", [](ProgressModel& m) { m.setRange(4); }, "Verifying Game1", true, "Cancel"},
        {"finish", [](ProgressModel& m) { m.finishJob("Game1 is whole."); }, "Game1 is whole.",
         true, "OK"},
        {"dismiss", [](ProgressModel& m) { m.dismiss(); }, "Verifying Game1", false, "Cancel"},
    };
    for (const auto& step : steps) {
        const std::size_t before = drawn.size();
        step.change(model);
        ASSERT_EQ(drawn.size(), before + 1) << step.what;
        EXPECT_EQ(drawn.back().line, step.line) << step.what;
        EXPECT_EQ(drawn.back().visible, step.visible) << step.what;
        EXPECT_EQ(drawn.back().caption, step.caption) << step.what;
        EXPECT_EQ(model.latest().line, step.line) << step.what;
    }
}
