#include "ui/qt/WindowFrontEnd.h"

#include <QApplication>
#include <QLabel>

#include "ui/qt/BoxPresenter.h"
#include "ui/qt/GuiThread.h"
#include "ui/qt/ProgressDialog.h"

namespace ui::qt {

using namespace report;

void WindowStatusLine::setText(const std::string& text) {
    QLabel* label = label_;
    if (label == nullptr)
        return;
    postToGuiThread(label, [label, text = QString::fromStdString(text)] {
        label->setText(text);
        // A text that starts or ends with a line break would leave the line
        // looking empty; the whole text is also its tooltip.
        label->setToolTip(text.trimmed());
    });
}

QWidget* WindowBoxes::owner() const {
    QWidget* window = window_;
    if (window == nullptr || !window->isVisible())
        return nullptr;
    // The box goes above whatever of the program is in front: a dialog or box
    // already open over the window, else a progress window, else the window.
    if (QWidget* modal = QApplication::activeModalWidget();
        modal != nullptr && modal != window && modal->isVisible())
        return modal;
    for (ProgressDialog* progress :
         window->findChildren<ProgressDialog*>(Qt::FindDirectChildrenOnly)) {
        if (progress->isVisible())
            return progress;
    }
    return window;
}

void WindowBoxes::show(const std::string& text) {
    QWidget* window = window_;
    if (window == nullptr)
        return;
    callOnGuiThread(
        window, [this, text = QString::fromStdString(text)] { presenter_.show(owner(), text); });
}

bool WindowBoxes::ask(const std::string& text, bool defaultNo) {
    QWidget* window = window_;
    if (window == nullptr)
        return false;
    return callOnGuiThread(window, [this, text = QString::fromStdString(text), defaultNo] {
        return presenter_.ask(owner(), text, defaultNo);
    });
}

}  // namespace ui::qt
