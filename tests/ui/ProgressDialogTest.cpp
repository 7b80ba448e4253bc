// The progress window's button, keys and close box, and its bridge from worker threads.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "WindowDoubles.h"
#include "ui/qt/ProgressDialog.h"

using namespace ui::qt;
using namespace ui;
using namespace report;
using namespace disk;
using namespace install;
using namespace library;
using namespace platform;
using namespace store;

TEST(ProgressDialogTest, ButtonEscapeAndCloseBoxAllCancelAndHide) {
    ProgressDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Install");
    EXPECT_FALSE(dialog.isVisible());
    int cancelled = 0;
    QObject::connect(&dialog, &ProgressDialog::cancelled, [&] { ++cancelled; });
    for (int way = 0; way < 3; ++way) {
        dialog.cancelRequested.store(0);
        dialog.show();
        dialog.progressBar->setRange(0, 100);
        dialog.progressBar->setValue(60);
        dialog.button->setText("OK");
        if (way == 0)
            QTest::mouseClick(dialog.button, Qt::LeftButton);
        else if (way == 1)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
        EXPECT_EQ(dialog.cancelRequested.load(), 1) << way;
        EXPECT_EQ(dialog.progressBar->value(), 0) << way;
        EXPECT_EQ(dialog.button->text(), "Cancel") << way;
        EXPECT_FALSE(dialog.isVisible()) << way;
        EXPECT_EQ(cancelled, way + 1);
    }
}

TEST(ProgressDialogTest, AWorkerDrivesItThroughTheWindowThread) {
    ProgressDialog dialog("copy");
    EXPECT_EQ(dialog.windowTitle(), "copy");
    ProgressBridge bridge(dialog);
    bridge.clearCancel();
    std::thread worker([&] {
        bridge.show();
        bridge.setRange(4480);
        bridge.setPosition(1234);
        bridge.setText("Installing /media/usb/zt.00000000.ABCD_123.45.00");
        bridge.bringToFront();
        bridge.setButtonCaption("OK");
    });
    worker.join();
    // Nothing happened on the worker's thread; the window thread carries it out in order.
    ASSERT_TRUE(waitUntil([&] { return dialog.button->text() == "OK"; }));
    EXPECT_TRUE(dialog.isVisible());
    // The bar counts in thousandths; a job that ended well shows it full.
    EXPECT_EQ(dialog.progressBar->maximum(), ProgressState::kBarMax);
    EXPECT_EQ(dialog.progressBar->value(), ProgressState::kBarMax);
    EXPECT_EQ(dialog.textLine->text(), "Installing /media/usb/zt.00000000.ABCD_123.45.00");
    EXPECT_FALSE(bridge.cancelRequested());
    QTest::mouseClick(dialog.button, Qt::LeftButton);
    EXPECT_TRUE(bridge.cancelRequested());
    // The text line keeps its last text between jobs.
    EXPECT_EQ(dialog.textLine->text(), "Installing /media/usb/zt.00000000.ABCD_123.45.00");
}

TEST(ProgressDialogTest, AJobBegunIsNamedAndItsOutcomeReachesTheStatusLine) {
    ProgressDialog dialog;
    QStringList lines;
    QObject::connect(&dialog, &ProgressDialog::lineShown,
                     [&](const QString& line) { lines << line; });
    dialog.beginJob({"Installing", "Installed", "Game1", std::uint64_t{1} << 20, false});
    ProgressBridge bridge(dialog);
    std::thread worker([&] {
        bridge.show();
        bridge.setRange(100);
        bridge.setText("Installing /media/usb/zt.00000000.ABCD_123.45.00");
        bridge.setButtonCaption("OK");
    });
    worker.join();
    ASSERT_TRUE(waitUntil([&] { return dialog.button->text() == "OK"; }));
    EXPECT_EQ(dialog.textLine->text().left(27), "Installed Game1: 100 MB in ");
    EXPECT_EQ(lines.back(), dialog.textLine->text());
    EXPECT_FALSE(lines.join("\n").contains("zt.00000000"));
}
