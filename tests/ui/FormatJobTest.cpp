// "Format...": the drive dialog, the refusals, the job on its worker thread.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <future>
#include <sstream>

#include "DiskImage.h"
#include "TempDir.h"
#include "ToolRun.h"
#include "WindowDoubles.h"
#include "disk/FormatCommand.h"
#include "ui/qt/ClickLabel.h"
#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DriveSelectDialog.h"

using namespace disk;
using namespace ui::qt;
using namespace store;
using namespace ui;
using namespace report;
using namespace platform;
using namespace install;
using namespace library;

namespace {

class FormatJobTest : public WindowTest {
  protected:
    void SetUp() override {
        // A disk image with the one partition that INIT lays out, at byte 8192.
        makeImage(image, 300ULL << 20);
        std::ostringstream out;
        const char* argv[3] = {"", image.c_str(), "INIT"};
        ASSERT_EQ(FormatCommand(3, argv, out), 1) << out.str();
        drives.fixed = {{mounted.root(), image}};
    }

    // Chooses the one drive in the drive dialog and presses "Ok".
    void chooseDrive() {
        dialogs.push_back([](QDialog& dialog) {
            auto& choose = dynamic_cast<DriveSelectDialog&>(dialog);
            EXPECT_EQ(choose.driveList->count(), 1);
            choose.driveList->setCurrentRow(0);
            QTest::mouseClick(qobject_cast<QPushButton*>(controlById(&choose, 1021)),
                              Qt::LeftButton);
            return choose.result();
        });
    }

    MainDialog& openFormatPage() {
        MainDialog& window = open();
        window.tabs->setCurrentIndex(1);
        return window;
    }

    bool hasFat32() {
        const std::vector<std::uint8_t> type = readAt(image, 8192 + 82, 8);
        return std::string(type.begin(), type.end()) == "FAT32   ";
    }

    TempDir dir;
    TempDir mounted;
    std::string image = dir.file("usb.img");
};

}  // namespace

TEST_F(FormatJobTest, FormatsTheChosenVolumeAndMountsItAgain) {
    MainDialog& window = openFormatPage();
    chooseDrive();
    boxes.answers = {true};
    QTest::mouseClick(window.formatButton, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    EXPECT_EQ(dialogTitles, std::vector<std::string>{"Drive"});
    EXPECT_EQ(boxes.questions, std::vector<std::string>{formatWarningText(image)});
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front();
    EXPECT_EQ(volumes.unmounted, std::vector<std::string>{image});
    EXPECT_EQ(volumes.mounted, std::vector<std::string>{image});
    EXPECT_EQ(window.core().formatDrive(), image);
    EXPECT_TRUE(hasFat32());
    if (haveProgram("mdir")) {
        ToolRun r = runShell("mdir -i '" + image + "@@8192' ::");
        EXPECT_EQ(r.status, 0) << r.err;
    }

    ProgressDialog& progress = *app->progressDialog;
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.textLine->text(), "Formatted. The drive is mounted at /media/zt/NEW");
    EXPECT_EQ(progress.progressBar->value(), ProgressState::kBarMax);
    EXPECT_EQ(progress.button->text(), "OK");
    EXPECT_FALSE(window.isEnabled());
    EXPECT_FALSE(window.core().busy());
    EXPECT_TRUE(window.formatButton->isEnabledTo(&window));
    QTest::mouseClick(progress.button, Qt::LeftButton);
    EXPECT_TRUE(window.isEnabled());
}

TEST_F(FormatJobTest, DecliningOrCancellingChangesNothing) {
    MainDialog& window = openFormatPage();
    QTest::mouseClick(window.formatButton, Qt::LeftButton);  // drive dialog cancelled
    EXPECT_FALSE(window.jobRunning());
    EXPECT_TRUE(boxes.questions.empty());

    chooseDrive();
    QTest::mouseClick(window.formatButton, Qt::LeftButton);  // confirmation answered No
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    EXPECT_EQ(boxes.questions.size(), 1u);
    EXPECT_TRUE(volumes.unmounted.empty());
    EXPECT_FALSE(hasFat32());
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(window.formatButton->isEnabled());
    EXPECT_FALSE(app->progressDialog->isVisible());
}

TEST_F(FormatJobTest, TheSystemsOwnVolumeIsRefusedBeforeTheQuestion) {
    drives.system = {image};
    MainDialog& window = openFormatPage();
    chooseDrive();
    QTest::mouseClick(window.formatButton, Qt::LeftButton);
    EXPECT_FALSE(window.jobRunning());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].find("holds the running system"), std::string::npos);
    EXPECT_NE(boxes.shown[0].find(image), std::string::npos);
    EXPECT_TRUE(boxes.questions.empty());
    EXPECT_FALSE(hasFat32());
}

TEST_F(FormatJobTest, FailuresSayWhatWasMissingThenFormatFailed) {
    MainDialog& window = openFormatPage();
    // The volume cannot be unmounted.
    volumes.unmountError = "target is busy";
    chooseDrive();
    boxes.answers = {true};
    QTest::mouseClick(window.formatButton, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(boxes.shown[0].find("could not be unmounted: target is busy"), std::string::npos);
    EXPECT_EQ(boxes.shown[1], "Format Failed!!");
    EXPECT_TRUE(window.isEnabled());
    EXPECT_FALSE(window.core().busy());
    EXPECT_FALSE(app->progressDialog->isVisible());

    // Only the administrator may write the device, and pkexec cannot be run.
    volumes.unmountError.clear();
    writeDenied = true;
    boxes.shown.clear();
    chooseDrive();
    boxes.answers = {true};
    QTest::mouseClick(window.formatButton, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    EXPECT_EQ(volumes.privileged, std::vector<std::string>{image});
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(boxes.shown[0].find(image), std::string::npos);
    EXPECT_NE(boxes.shown[0].find("Permission denied"), std::string::npos);
    EXPECT_NE(boxes.shown[0].find("pkexec is not installed"), std::string::npos);
    EXPECT_EQ(boxes.shown[1], "Format Failed!!");
    EXPECT_FALSE(hasFat32());

    // With the administrator's rights the tool's exit status is the result;
    // a drive that cannot be mounted again is formatted all the same.
    volumes.privilegedStatus = 0;
    volumes.remountError = "UDisks2 is not running";
    boxes.shown.clear();
    chooseDrive();
    boxes.answers = {true};
    QTest::mouseClick(window.formatButton, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    EXPECT_EQ(boxes.shown, std::vector<std::string>{
                               "The drive was formatted, but it could not be mounted again:\n"
                               "UDisks2 is not running\nUnplug the drive and plug it in again, "
                               "or mount " +
                               image + " yourself."});
    EXPECT_EQ(app->progressDialog->button->text(), "OK");
    EXPECT_EQ(app->progressDialog->textLine->text(), "Formatted. The drive is not mounted.");
}

TEST_F(FormatJobTest, TheStatusLineBringsBackTheWindowOfAFormatThatGoesOn) {
    std::promise<void> go;
    std::shared_future<void> released = go.get_future().share();
    volumes.onUnmount = [released] { released.wait(); };
    MainDialog& window = openFormatPage();
    chooseDrive();
    boxes.answers = {true};
    QTest::mouseClick(window.formatButton, Qt::LeftButton);
    ProgressDialog& progress = *app->progressDialog;
    ASSERT_TRUE(waitUntil([&] { return progress.isVisible() && window.core().busy(); }));
    EXPECT_FALSE(window.formatButton->isEnabledTo(&window));

    // Cancel only puts the window away: a format cannot stop half-way.
    QTest::mouseClick(progress.button, Qt::LeftButton);
    EXPECT_FALSE(progress.isVisible());
    EXPECT_TRUE(window.isEnabled());
    window.tabs->setCurrentIndex(0);
    QTest::mouseClick(window.statusLine, Qt::LeftButton);
    EXPECT_TRUE(progress.isVisible());

    window.close();  // No: the program goes on
    EXPECT_EQ(boxes.questions.back(), "The job is not complete,Exit?");
    EXPECT_TRUE(window.isVisible());
    boxes.answers = {true};
    window.close();  // Yes: the window waits for the format, then closes
    EXPECT_TRUE(window.isVisible());
    go.set_value();
    ASSERT_TRUE(waitUntil([&] { return !window.isVisible(); }));
    EXPECT_TRUE(hasFat32());
}
