#pragma once
// A static text that reports clicks on it (the status line, the link's placeholder).

#include <QLabel>
#include <QMouseEvent>

namespace ui::qt {

class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            emit clicked();
        QLabel::mousePressEvent(event);
    }
};

}  // namespace ui::qt
