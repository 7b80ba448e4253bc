#include "ui/qt/FocusStyle.h"

#include <QPainter>
#include <QStyleOption>

namespace {

// Styles draw the focus only once the keyboard has moved it; the option a
// widget painted with is its own, made for this one call.
template <typename Option>
const Option* withFocusShown(const Option* option) {
    if (option != nullptr && (option->state & QStyle::State_HasFocus))
        const_cast<Option*>(option)->state |= QStyle::State_KeyboardFocusChange;
    return option;
}

}  // namespace

void FocusStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, withFocusShown(option), painter, widget);
}

void FocusStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    QProxyStyle::drawControl(element, withFocusShown(option), painter, widget);
    if (element != CE_PushButton || option == nullptr || !(option->state & State_HasFocus))
        return;
    painter->save();
    painter->setPen(QPen(option->palette.color(QPalette::ButtonText), 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(3, 3, -4, -4));
    painter->restore();
}

void FocusStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, withFocusShown(option), painter, widget);
}
