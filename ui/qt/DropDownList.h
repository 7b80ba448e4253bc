#pragma once
// A drop-down list combo box whose owner may fill it again just before the
// list opens, so that a drive plugged in meanwhile shows up. Paths longer
// than the box show their end, which tells drives apart; the open list is as
// wide as its longest item.

#include <functional>

#include <QComboBox>

namespace ui::qt {

class DropDownList : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;

    void showPopup() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ui::qt
