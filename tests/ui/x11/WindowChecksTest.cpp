// The drive check and a game's verification from the list's context menu, on
// a real X server: the question with what the check found, the progress
// window's outcome, the list afterwards, and the verification's box.

#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

#include "GameDrive.h"
#include "LoopDrive.h"
#include "ToolRun.h"
#include "WindowDriver.h"
#include "X11Test.h"

using namespace store;
using namespace ui::qt;
using namespace ui;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace platform;

namespace {

constexpr std::uint64_t kGiB = 1ULL << 30;

std::string progressText() {
    ProgressDialog* window = progressWindow(QStringLiteral("Install"));
    return window != nullptr && window->isVisible() ? window->textLine->text().toStdString() : "";
}

}  // namespace

TEST(WindowChecks, CheckDriveRecoversALostGameAndVerifyGivesTheDigests) {
    if (!x11SkipReason().empty())
        GTEST_SKIP() << x11SkipReason();
    ASSERT_FALSE(x11Display().empty()) << x11Failure();
    LoopDrive a(kGiB);
    ASSERT_TRUE(a.error.empty()) << a.error;
    // A sound game, one whose record holds an unknown media type, and a whole
    // game whose record was lost.
    std::vector<GameEntry> records{gameRecord("Alpha", "SLUS_300.01", 1),
                                   gameRecord("Odd", "SLUS_300.02", 1)};
    records[1].setMediaType(7);
    ASSERT_TRUE(writeTableFile(tablePath(a.root()), records));
    auto part = [&](const std::string& name, const std::string& id) {
        return *partFilePath(partPrefix(a.root(), gameNameHash(name), id), 0);
    };
    GameDrive::writePart(part("Alpha", "SLUS_300.01"), 40960, 'a');
    GameDrive::writeDiscPart(part("Odd", "SLUS_300.02"), 40 * 2048, 40);
    GameDrive::writeDiscPart(part("Lost", "SLUS_300.03"), 40 * 2048, 40);

    runProgram(x11Display(), [&](WindowDriver& d) {
        d.chooseHardDrive(a.mountPoint);
        EXPECT_EQ(d.listed(), QStringList({"Alpha", "Odd  (damaged)"}));
        d.screenshot("checks-damaged-row");
        d.openContextMenu("Alpha");
        d.screenshot("checks-context-menu");
        d.chooseFromMenu("Check Drive");
        d.waitFor("the check's question", [] {
            QMessageBox* box = openBox();
            return box != nullptr && box->text().endsWith("Repair the drive?");
        });
        const QString question = d.gui([] { return openBox()->text(); });
        EXPECT_TRUE(question.contains("a whole game (40 sectors)")) << question.toStdString();
        EXPECT_TRUE(question.contains("Odd")) << question.toStdString();
        d.screenshot("checks-question");
        d.answer("y");
        d.waitFor("the check's outcome", [] {
            return !progressText().empty() && progressWindow("Install")->button->text() == "OK";
        });
        EXPECT_EQ(d.gui(progressText), a.root() + ": The drive was repaired.");
        d.expectInFront([] { return progressWindow("Install"); }, "the progress window");
        d.screenshot("checks-repaired");
        d.click([] { return progressWindow("Install")->button; });
        d.waitFor("the main window back", [] { return mainWindow()->isEnabled(); });
        EXPECT_EQ(d.listed(), QStringList({"Alpha", "Odd", "Recovered SLUS_300.03"}));

        d.openContextMenu("Alpha");
        d.chooseFromMenu("Verify");
        d.expectBox("Game Alpha: 40960 bytes in 1 part\nCRC32: ", true);
        d.screenshot("checks-verified");
        d.answer("Return");
        d.waitFor("the verify to end", [] { return !mainWindow()->jobRunning(); });
        d.closeMainWindow();
    });
    EXPECT_EQ(runTool("zt_games", "check " + shellQuoted(a.root())).status, 0);
}
