#include "ui/qt/DropDownList.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

namespace ui::qt {

void DropDownList::showPopup() {
    if (beforePopup)
        beforePopup();
    int widest = width();
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)) + 24);
    view()->setMinimumWidth(widest);
    QComboBox::showPopup();
}

void DropDownList::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect text =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    // The style draws the label a little inside the edit field: elide to that.
    constexpr int kLabelInset = 4;
    option.currentText =
        fontMetrics().elidedText(option.currentText, Qt::ElideLeft, text.width() - kLabelInset);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace ui::qt
