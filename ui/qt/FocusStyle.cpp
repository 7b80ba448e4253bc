#include "ui/qt/FocusStyle.h"

#include <QPainter>
#include <QStyleOption>

namespace ui::qt {

namespace {

// Styles draw the focus only once the keyboard has moved it; the option a
// widget painted with is its own, made for this one call.
template <typename Option>
const Option* withFocusShown(const Option* option) {
    if (option != nullptr && (option->state & QStyle::State_HasFocus))
        const_cast<Option*>(option)->state |= QStyle::State_KeyboardFocusChange;
    return option;
}

// A flat push button (BS_FLAT): its face in one colour, darker while it is
// pressed, in a plain frame of one pixel, two for the default button.
void drawFlatBevel(const QStyleOptionButton& button, QPainter* painter) {
    painter->save();
    const bool down = (button.state & (QStyle::State_Sunken | QStyle::State_On)) != 0;
    const QPalette::ColorRole face = down ? QPalette::Mid : QPalette::Button;
    painter->fillRect(button.rect, button.palette.brush(face));
    painter->setPen(QPen(button.palette.color(QPalette::WindowText), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(button.rect.adjusted(0, 0, -1, -1));
    if (button.features & QStyleOptionButton::DefaultButton)
        painter->drawRect(button.rect.adjusted(1, 1, -2, -2));
    painter->restore();
}

}  // namespace

void FocusStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, withFocusShown(option), painter, widget);
}

void FocusStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    if (element == CE_PushButtonBevel) {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (button != nullptr && (button->features & QStyleOptionButton::Flat)) {
            drawFlatBevel(*button, painter);
            return;
        }
    }
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

}  // namespace ui::qt
