#pragma once
// The program's style: the desktop's own, with the keyboard focus always
// drawn (not only after a key moved it), and a focused push button told apart
// from the dialog's default one by a dotted frame inside it. A flat push
// button (QPushButton::isFlat) keeps a plain frame, as BS_FLAT draws it.

#include <QProxyStyle>

namespace ui::qt {

class FocusStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
};

}  // namespace ui::qt
