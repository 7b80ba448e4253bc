// The web link: what it refuses to create, when it repaints, what a press does.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include "ui/qt/HyperlinkLabel.h"

using namespace ui::qt;

namespace {

HyperlinkLabelParams request(QWidget* parent) {
    HyperlinkLabelParams params;
    params.parent = parent;
    params.width = 150;
    params.height = 20;
    params.faceName = "Times New Roman";
    params.fontHeight = 15;
    params.underline = true;
    params.normalColour = Qt::blue;
    params.hoverColour = Qt::red;
    params.text = "https://tarnwick.example/";
    return params;
}

void moveTo(QWidget* window, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, window->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(window, &move);
}

}  // namespace

TEST(HyperlinkLabelTest, AnIncompleteRequestCreatesNothing) {
    QWidget parent;
    for (auto spoil : std::initializer_list<void (*)(HyperlinkLabelParams&)>{
             [](HyperlinkLabelParams& p) { p.parent = nullptr; },
             [](HyperlinkLabelParams& p) { p.width = 0; },
             [](HyperlinkLabelParams& p) { p.height = 0; },
             [](HyperlinkLabelParams& p) { p.faceName.clear(); },
         }) {
        HyperlinkLabelParams params = request(&parent);
        spoil(params);
        HyperlinkLabel label;
        EXPECT_FALSE(label.create(params));
        EXPECT_EQ(label.window(), nullptr);
    }
    EXPECT_TRUE(parent.children().isEmpty());
}

TEST(HyperlinkLabelTest, RepaintsOnlyWhenThePointerCrossesItsBorder) {
    QWidget parent;
    parent.resize(300, 100);
    HyperlinkLabel label;
    ASSERT_TRUE(label.create(request(&parent)));
    parent.show();
    QWidget* window = label.window();
    EXPECT_EQ(label.hoverState(), -1);
    EXPECT_TRUE(label.font().underline());

    moveTo(window, QPoint(10, 10));  // onto the label: red
    EXPECT_EQ(label.hoverState(), 0);
    EXPECT_TRUE(label.pointerOver());
    EXPECT_EQ(label.hoverRepaints(), 1);
    moveTo(window, QPoint(60, 12));  // within it: nothing to repaint
    EXPECT_EQ(label.hoverRepaints(), 1);
    QEvent leave(QEvent::Leave);  // off it: blue again
    QCoreApplication::sendEvent(window, &leave);
    EXPECT_EQ(label.hoverState(), 1);
    EXPECT_FALSE(label.pointerOver());
    EXPECT_EQ(label.hoverRepaints(), 2);
    moveTo(window, QPoint(200, 50));  // a move reported outside changes nothing more
    EXPECT_EQ(label.hoverRepaints(), 2);
}

TEST(HyperlinkLabelTest, ActsOnThePressWithZeroAndShowsItsCursor) {
    QWidget parent;
    HyperlinkLabelParams params = request(&parent);
    std::vector<int> calls;
    params.onClick = [&](int value) { calls.push_back(value); };
    params.useCursor = true;
    QPixmap hand(32, 32);
    hand.fill(Qt::transparent);
    params.cursor = QCursor(hand, 12, 4);
    HyperlinkLabel label;
    ASSERT_TRUE(label.create(params));
    QTest::mousePress(label.window(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(calls, std::vector<int>{0});
    QTest::mouseRelease(label.window(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mousePress(label.window(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(label.window()->cursor().hotSpot(), QPoint(12, 4));

    // Without a click function a press does nothing at all.
    HyperlinkLabel quiet;
    params.onClick = nullptr;
    ASSERT_TRUE(quiet.create(params));
    QTest::mousePress(quiet.window(), Qt::LeftButton, {}, QPoint(5, 5));
}

TEST(HyperlinkLabelTest, FontHeightIsTheCellHeight) {
    QWidget parent;
    HyperlinkLabel label;
    ASSERT_TRUE(label.create(request(&parent)));
    EXPECT_NEAR(QFontMetricsF(label.font()).height(), 15.0, 1.0);
}
