#include "ui/qt/BoxPresenter.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace ui::qt {

namespace {

const QString kCaption = QStringLiteral("Tarnwick Game Installer");

// The width a window needs for its caption to show whole in the window
// manager's title bar: the text in a bold face a little larger than the
// window's, and room for the frame's icon and its buttons.
int captionWidth(const QWidget& window) {
    QFont font = window.font();
    font.setBold(true);
    constexpr int kFrameParts = 120;  // the icon and three buttons, with their gaps
    return QFontMetrics(font).horizontalAdvance(window.windowTitle()) * 6 / 5 + kFrameParts;
}

int runBox(QWidget* owner, const QString& text, QMessageBox::StandardButtons buttons,
           QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, kCaption, text, buttons, owner);
    // Texts hold game names read from a drive: never read as markup.
    box.setTextFormat(Qt::PlainText);
    // A fixed-size box with no maximise box, wide enough for its whole caption.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(captionWidth(box), 0, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
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

}  // namespace ui::qt
