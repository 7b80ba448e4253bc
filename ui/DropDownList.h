#pragma once
// A drop-down list combo box whose owner may fill it again just before the
// list opens, so that a drive plugged in meanwhile shows up.

#include <functional>

#include <QComboBox>

class DropDownList : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;

    void showPopup() override {
        if (beforePopup)
            beforePopup();
        QComboBox::showPopup();
    }
};
