#include "ui/qt/BoxPresenter.h"

#include <QMessageBox>

namespace {

const QString kCaption = QStringLiteral("Tarnwick Game Installer");

int runBox(QWidget* owner, const QString& text, QMessageBox::StandardButtons buttons,
           QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, kCaption, text, buttons, owner);
    // Texts hold game names read from a drive: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    box.setWindowModality(Qt::ApplicationModal);
    // An owner disabled while a job runs passes that on to its boxes; a box
    // always takes input. Above a window that stays on top, so does the box.
    box.setEnabled(true);
    if (owner != nullptr && owner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int answer = box.exec();
    // The keys go back to the window the box was over.
    if (owner != nullptr && owner->isVisible())
        owner->window()->activateWindow();
    return answer;
}

}  // namespace

void StandardBoxPresenter::show(QWidget* owner, const QString& text) {
    runBox(owner, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool StandardBoxPresenter::ask(QWidget* owner, const QString& text, bool defaultNo) {
    return runBox(owner, text, QMessageBox::Yes | QMessageBox::No,
                  defaultNo ? QMessageBox::No : QMessageBox::Yes) == QMessageBox::Yes;
}
