#pragma once
// How the window shows message boxes; the tests answer them through a
// scripted presenter instead of real boxes.

#include <QString>

class QWidget;

namespace ui::qt {

class BoxPresenter {
  public:
    virtual ~BoxPresenter() = default;
    // A box with the OK button only.
    virtual void show(QWidget* owner, const QString& text) = 0;
    // Yes and No; true only for Yes. `defaultNo` makes No the default button.
    virtual bool ask(QWidget* owner, const QString& text, bool defaultNo) = 0;
};

// Qt's standard boxes: the window's title as caption, no icon, the text as plain text.
class StandardBoxPresenter : public BoxPresenter {
  public:
    void show(QWidget* owner, const QString& text) override;
    bool ask(QWidget* owner, const QString& text, bool defaultNo) override;
};

}  // namespace ui::qt
