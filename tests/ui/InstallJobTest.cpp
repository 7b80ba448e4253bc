// "Start": the install job on its worker thread, the progress window, Cancel
// and closing the window while the job copies.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>

#include "FakeDisc.h"
#include "GameDrive.h"
#include "GameIso.h"
#include "ToolRun.h"
#include "WindowDoubles.h"
#include "ui/qt/ClickLabel.h"
#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DropDownList.h"

using namespace ui::qt;
using namespace install;
using namespace store;
using namespace ui;
using namespace platform;
using namespace report;
using namespace disk;
using namespace library;

namespace {

// Holds the disc's reads at one sector until the test lets them go on.
struct Gate {
    void arrive() {
        std::unique_lock<std::mutex> lock(mutex);
        reached = true;
        changed.notify_all();
        changed.wait(lock, [&] { return open; });
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        changed.notify_all();
    }
    bool arrived() {
        std::lock_guard<std::mutex> lock(mutex);
        return reached;
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool reached = false;
    bool open = false;
};

class GatedDevice : public DiscDevice {
  public:
    GatedDevice(std::shared_ptr<FakeDisc> disc, Gate& gate, std::int64_t sector)
        : inner_(std::move(disc)), gate_(gate), sector_(sector) {}
    std::int64_t read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        if (static_cast<std::int64_t>(offset / 2048) >= sector_)
            gate_.arrive();
        return inner_.read(offset, buffer, length);
    }

  private:
    FakeDiscDevice inner_;
    Gate& gate_;
    std::int64_t sector_;
};

class InstallJobTest : public WindowTest {
  protected:
    void TearDown() override {
        gate.release();
        WindowTest::TearDown();
    }

    // An install whose reads stop at `sector` of 4000 (by default in the
    // copy) until the gate opens.
    MainDialog& openGated(std::int64_t sector = 1000) {
        auto disc = makeGameDisc(4000);
        drives.optical = {"/dev/sr0"};
        drives.fixed = {{drive.root(), "/dev/sdh1"}};
        MainDialog& window = open();
        app->mainDialog->findChild<QLineEdit*>("c1005")->setText("My Game");
        gatedOpener = [this, disc, sector](const std::string&) -> DiscOpenResult {
            return {std::make_unique<GatedDevice>(disc, gate, sector)};
        };
        return window;
    }

    WindowServices services() override {
        WindowServices s = WindowTest::services();
        s.discOpener = [this](const std::string& path) -> DiscOpenResult {
            return gatedOpener ? gatedOpener(path) : openDiscDevice(path);
        };
        return s;
    }

    void start(MainDialog& window) {
        boxes.answers.push_back(true);  // "Start Install?"
        QTest::mouseClick(window.startButton, Qt::LeftButton);
    }

    std::vector<std::string> partFiles() {
        std::vector<std::string> parts;
        for (const std::string& name : drive.files()) {
            if (name.rfind("zt.", 0) == 0 && name != "zt.cfg" && name != "zt.intent")
                parts.push_back(name);
        }
        return parts;
    }

    GameDrive drive;
    Gate gate;
    DiscOpener gatedOpener;
};

}  // namespace

TEST_F(InstallJobTest, InstallsAnImageFileEndToEnd) {
    if (!haveProgram("xorriso"))
        GTEST_SKIP() << "no xorriso";
    TempDir work;
    const std::string iso = makeGameIso(work, 1 << 20, 3);
    ASSERT_FALSE(iso.empty());
    drives.fixed = {{drive.root(), "/dev/sdh1"}};
    MainDialog& window = open();
    imageFile = QString::fromStdString(iso);
    // "Image file..." is the only source: choosing it asks for the file.
    window.sourceCombo->showPopup();
    window.sourceCombo->view()->setCurrentIndex(window.sourceCombo->model()->index(0, 0));
    QTest::keyClick(window.sourceCombo->view(), Qt::Key_Return);
    ASSERT_EQ(window.sourceCombo->currentData().toString().toStdString(), iso);
    window.mediaCombo->setCurrentIndex(1);  // DVD
    QLineEdit* name = window.findChild<QLineEdit*>("c1005");
    name->clear();
    QTest::keyClicks(name, "My Game");

    start(window);
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    EXPECT_EQ(boxes.questions, std::vector<std::string>{"Start Install?"});
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front();
    ProgressDialog& progress = *app->progressDialog;
    // Success: the progress window offers "OK" and the window waits for it.
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.button->text(), "OK");
    EXPECT_FALSE(window.isEnabled());
    EXPECT_FALSE(window.core().busy());
    EXPECT_TRUE(window.startButton->isEnabledTo(&window));
    QTest::mouseClick(progress.button, Qt::LeftButton);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.button->text(), "Cancel");
    EXPECT_EQ(progress.progressBar->value(), 0);

    ASSERT_EQ(window.gameList->topLevelItemCount(), 1);
    EXPECT_EQ(window.gameList->topLevelItem(0)->text(0), "My Game");
    ASSERT_EQ(drive.records().size(), 1u);
    EXPECT_EQ(drive.records()[0].ImageFileName(), "zt.SLUS_209.46");
    EXPECT_EQ(readBytes(drive.part("My Game", "SLUS_209.46", 0)), readBytes(iso));

    // The same name again: the worker's question waits for the window's answer.
    boxes.answers = {true, true};
    boxes.questions.clear();
    QTest::mouseClick(window.startButton, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    EXPECT_EQ(boxes.questions,
              std::vector<std::string>({"Start Install?", "File My Game already exist,Continue?"}));
    QTest::mouseClick(progress.button, Qt::LeftButton);
    EXPECT_EQ(drive.records().size(), 1u);
    EXPECT_EQ(window.gameList->topLevelItemCount(), 1);
}

TEST_F(InstallJobTest, NoStartsNothingAndAnEmptyNameIsRefused) {
    MainDialog& window = openGated();
    QTest::mouseClick(window.startButton, Qt::LeftButton);  // answered No
    EXPECT_EQ(boxes.questions, std::vector<std::string>{"Start Install?"});
    EXPECT_FALSE(window.jobRunning());
    EXPECT_TRUE(boxes.shown.empty());

    // An empty name is refused after the question.
    boxes.questions.clear();
    window.findChild<QLineEdit*>("c1005")->clear();
    start(window);
    EXPECT_EQ(boxes.questions, std::vector<std::string>{"Start Install?"});
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"Please intput file name."});
    EXPECT_FALSE(window.jobRunning());
    EXPECT_TRUE(window.startButton->isEnabled());
    EXPECT_TRUE(partFiles().empty());
}

TEST_F(InstallJobTest, CancelDuringTheCopyRemovesItsFilesAndGivesTheWindowBack) {
    MainDialog& window = openGated();
    start(window);
    ASSERT_TRUE(waitUntil([&] { return gate.arrived(); }));
    ProgressDialog& progress = *app->progressDialog;
    ASSERT_TRUE(waitUntil([&] { return progress.isVisible(); }));
    EXPECT_FALSE(window.isEnabled());
    EXPECT_FALSE(window.startButton->isEnabledTo(&window));
    EXPECT_FALSE(window.gameList->isEnabledTo(&window));
    EXPECT_TRUE(window.core().busy());
    EXPECT_EQ(partFiles().size(), 1u);

    QTest::mouseClick(progress.button, Qt::LeftButton);
    EXPECT_TRUE(window.isEnabled());  // at once, while the job still winds down
    EXPECT_FALSE(progress.isVisible());
    gate.release();
    ASSERT_TRUE(waitUntil([&] { return !window.jobRunning(); }));
    EXPECT_TRUE(partFiles().empty());
    EXPECT_FALSE(std::filesystem::exists(drive.table()));
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(window.startButton->isEnabled());
    EXPECT_TRUE(window.gameList->isEnabled());
    EXPECT_FALSE(window.core().busy());
    EXPECT_EQ(window.gameList->topLevelItemCount(), 0);
}

TEST_F(InstallJobTest, ClosingDuringTheCopyAsksThenCancelsWaitsAndCleansUp) {
    MainDialog& window = openGated();
    start(window);
    ASSERT_TRUE(waitUntil([&] { return gate.arrived(); }));

    window.close();  // answered No: the job goes on
    EXPECT_EQ(boxes.questions.back(), "The job is not complete,Exit?");
    EXPECT_TRUE(boxes.defaultNoFlags.back());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(app->progressDialog->closing.load());

    boxes.answers = {true};
    window.close();
    EXPECT_TRUE(window.isVisible());  // until the job has stopped
    EXPECT_TRUE(app->progressDialog->closing.load());
    window.close();  // asked once only
    EXPECT_EQ(boxes.questions.size(), 3u);

    gate.release();
    ASSERT_TRUE(waitUntil([&] { return !window.isVisible(); }));
    EXPECT_FALSE(window.jobRunning());
    EXPECT_TRUE(partFiles().empty());
    EXPECT_FALSE(std::filesystem::exists(drive.table()));
}

TEST_F(InstallJobTest, ClosingBeforeTheCopyBeganStillStopsTheInstall) {
    MainDialog& window = openGated(16);  // held while the disc is identified
    start(window);
    ASSERT_TRUE(waitUntil([&] { return gate.arrived(); }));
    boxes.answers = {true};
    window.close();
    gate.release();
    // The copy clears the cancel flag when it begins; closing overrides it.
    ASSERT_TRUE(waitUntil([&] { return !window.isVisible(); }));
    EXPECT_TRUE(partFiles().empty());
    EXPECT_FALSE(std::filesystem::exists(drive.table()));
}
