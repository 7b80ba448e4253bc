#include "ui/qt/ProgressDialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include "ui/qt/DialogTemplate.h"
#include "ui/qt/GuiThread.h"

namespace {

// A tool window with a caption and a close box, kept above other windows
// while a job runs, as the jobs bring it to the front.
constexpr Qt::WindowFlags kProgressFlags = Qt::Tool | Qt::CustomizeWindowHint |
                                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;

}  // namespace

ProgressDialog::ProgressDialog(const QString& title) : QDialog(nullptr) {
    setWindowFlags(kProgressFlags);
    buildDialog(this, progressTemplate());
    setWindowTitle(title);
    textLine = qobject_cast<QLabel*>(controlById(this, control::kProgressText));
    textLine->setTextFormat(Qt::PlainText);
    progressBar = qobject_cast<QProgressBar*>(controlById(this, control::kProgressBar));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    button = qobject_cast<QPushButton*>(controlById(this, control::kProgressButton));
    connect(button, &QPushButton::clicked, this, &ProgressDialog::OnCancel);
}

void ProgressDialog::OnCancel() {
    cancelRequested.store(1);
    progressBar->setValue(0);
    button->setText(QStringLiteral("Cancel"));
    emit cancelled();
    hide();
}

void ProgressDialog::setOwner(QWidget* owner) {
    setParent(owner, kProgressFlags);
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnCancel();
}

bool ProgressBridge::mayWait() const {
    return QThread::currentThread() != dialog_.thread();
}

void ProgressBridge::show() {
    // Shown as a window is shown normally: in front and active, so that its
    // keys (Escape) reach it.
    postToGuiThread(&dialog_, [d = &dialog_] {
        d->showNormal();
        d->raise();
        d->activateWindow();
    });
}

void ProgressBridge::hide() {
    postToGuiThread(&dialog_, [d = &dialog_] { d->hide(); });
}

void ProgressBridge::setRange(int upper) {
    postToGuiThread(&dialog_, [d = &dialog_, upper] { d->progressBar->setRange(0, upper); });
}

void ProgressBridge::setPosition(int position) {
    postToGuiThread(&dialog_, [d = &dialog_, position] { d->progressBar->setValue(position); });
}

void ProgressBridge::setText(const std::string& text) {
    postToGuiThread(&dialog_, [d = &dialog_, text = QString::fromStdString(text)] {
        d->textLine->setText(text);
    });
}

void ProgressBridge::bringToFront() {
    postToGuiThread(&dialog_, [d = &dialog_] {
        d->show();
        d->raise();
        d->activateWindow();
    });
}

void ProgressBridge::setButtonCaption(const std::string& caption) {
    postToGuiThread(&dialog_, [d = &dialog_, caption = QString::fromStdString(caption)] {
        d->button->setText(caption);
    });
}
