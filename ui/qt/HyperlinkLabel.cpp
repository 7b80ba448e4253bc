#include "ui/qt/HyperlinkLabel.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <cmath>

namespace ui::qt {

// The label's window: it hands its events to the label object it belongs to.
class LinkWindow : public QWidget {
  public:
    LinkWindow(QWidget* parent, HyperlinkLabel& label) : QWidget(parent), label_(label) {
        setMouseTracking(true);
        setAttribute(Qt::WA_Hover);
        // Reached with Tab like any link, and followed with Enter or Space.
        setFocusPolicy(Qt::TabFocus);
    }

  protected:
    void paintEvent(QPaintEvent*) override { label_.paint(); }
    void mouseMoveEvent(QMouseEvent* event) override {
        label_.trackHover(rect().contains(event->position().toPoint()));
    }
    void enterEvent(QEnterEvent*) override { label_.trackHover(true); }
    void leaveEvent(QEvent*) override { label_.trackHover(false); }
    void mousePressEvent(QMouseEvent* event) override {
        // The link acts on the press of the left button, not on its release.
        if (event->button() == Qt::LeftButton)
            label_.pressed();
    }
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
            !event->isAutoRepeat())
            label_.pressed();
        else
            QWidget::keyPressEvent(event);
    }

  private:
    HyperlinkLabel& label_;
};

bool HyperlinkLabel::create(const HyperlinkLabelParams& params) {
    if (params.parent == nullptr || params.width <= 0 || params.height <= 0 ||
        params.faceName.isEmpty())
        return false;
    window_ = new LinkWindow(params.parent, *this);
    window_->setObjectName(QStringLiteral("c%1").arg(params.controlId));
    window_->setGeometry(params.x, params.y, params.width, params.height);

    // The height asked for is the font's cell height, ascent and descent together.
    font_ = QFont(params.faceName);
    font_.setPixelSize(100);
    const qreal cell = QFontMetricsF(font_).height();
    font_.setPixelSize(std::max(1, static_cast<int>(std::lround(params.fontHeight * 100 / cell))));
    font_.setWeight(params.bold ? QFont::Bold : QFont::Normal);
    font_.setUnderline(params.underline);

    backgroundFilled_ = params.fillBackground;
    useCursor_ = params.useCursor;
    if (useCursor_) {
        cursor_ = params.cursor;
        window_->setCursor(cursor_);
    }
    normalColour_ = params.normalColour;
    hoverColour_ = params.hoverColour;
    backgroundColour_ = params.backgroundColour;
    onClick_ = params.onClick;
    text_ = params.text;
    lastHover_ = -1;
    window_->show();
    return true;
}

QWidget* HyperlinkLabel::window() const {
    return window_;
}

void HyperlinkLabel::paint() {
    QPainter painter(window_);
    const QRect area = window_->rect();
    if (backgroundFilled_)
        painter.fillRect(area, backgroundColour_);
    painter.setFont(font_);
    painter.setPen(pointerOver_ ? hoverColour_ : normalColour_);
    // Centred across, from the top down, on one line: never wrapped, so that
    // an address is never broken up.
    QRect drawn;
    painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop, text_, &drawn);
    if (window_->hasFocus()) {
        // The dotted frame a focused control shows, around the text.
        QPen dots(normalColour_, 1, Qt::DotLine);
        painter.setPen(dots);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(drawn.adjusted(-1, 0, 0, -1).intersected(area.adjusted(0, 0, -1, -1)));
    }
}

void HyperlinkLabel::trackHover(bool pointerInside) {
    // Repaint only when the pointer crosses the label's border.
    const int state = pointerInside ? 0 : 1;
    pointerOver_ = pointerInside;
    if (lastHover_ != state) {
        ++hoverRepaints_;
        window_->update();
    }
    lastHover_ = state;
}

void HyperlinkLabel::pressed() {
    if (onClick_)
        onClick_(0);
}

void alignToLinkBaseline(QLabel& label, const HyperlinkLabel& link) {
    if (link.window() == nullptr || label.parentWidget() == nullptr)
        return;
    // The link's text starts at its window's top; the label's at its own top.
    const int baseline = link.window()->mapTo(label.parentWidget(), QPoint(0, 0)).y() +
                         QFontMetrics(link.font()).ascent();
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label.move(label.x(), baseline - label.fontMetrics().ascent());
}

}  // namespace ui::qt
