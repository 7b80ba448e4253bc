#include "ui/qt/ProgressDialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <algorithm>

#include "ui/qt/DialogTemplate.h"
#include "ui/qt/GuiThread.h"

namespace ui::qt {

using namespace report;

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
    textLine->setWordWrap(true);
    lineHeight_ = textLine->height();
    progressBar = qobject_cast<QProgressBar*>(controlById(this, control::kProgressBar));
    progressBar->setRange(0, ProgressState::kBarMax);
    progressBar->setValue(0);
    button = qobject_cast<QPushButton*>(controlById(this, control::kProgressButton));
    connect(button, &QPushButton::clicked, this, &ProgressDialog::OnCancel);
}

void ProgressDialog::OnCancel() {
    cancelRequested.store(1);
    model_.dismiss();
    emit cancelled();
    hide();
}

void ProgressDialog::beginJob(const ProgressJob& job) {
    model_.beginJob(job);
}

void ProgressDialog::finishJob(const std::string& outcome) {
    model_.finishJob(outcome);
}

void ProgressDialog::draw() {
    auto drawLatest = [this] { apply(model_.latest()); };
    if (QThread::currentThread() == thread())
        drawLatest();
    else
        postToGuiThread(this, drawLatest);
}

void ProgressDialog::apply(const ProgressDisplay& view) {
    const QString line = QString::fromStdString(view.line);
    textLine->setText(line);
    fitTextLine(view.visible && isVisible());
    progressBar->setValue(view.bar);
    button->setText(QString::fromStdString(view.caption));
    if (view.visible && !isVisible()) {
        // Shown as a window is shown normally: in front and active, so that
        // its keys (Escape) reach it.
        showNormal();
        raise();
        activateWindow();
    } else if (!view.visible) {
        hide();
    }
    if (view.visible)
        emit lineShown(line);
}

// A line wider than the window (a queue's, with its figures) wraps, and the
// window grows to show it whole; it never shrinks while shown, so that it does
// not jump, and takes its own size again when it shows anew.
void ProgressDialog::fitTextLine(bool shown) {
    const int wanted = std::max(lineHeight_, textLine->heightForWidth(textLine->width()));
    const int extra = wanted - textLine->height();
    if (extra == 0 || (extra < 0 && shown))
        return;
    textLine->resize(textLine->width(), wanted);
    for (QWidget* below : {static_cast<QWidget*>(progressBar), static_cast<QWidget*>(button)})
        below->move(below->x(), below->y() + extra);
    setFixedSize(width(), height() + extra);
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
    dialog_.model().show();
}

void ProgressBridge::hide() {
    dialog_.model().hide();
}

void ProgressBridge::setSize(std::uint64_t bytes) {
    dialog_.model().setSize(bytes);
}

void ProgressBridge::setRange(int upper) {
    dialog_.model().setRange(upper);
}

void ProgressBridge::setPosition(int position) {
    dialog_.model().setPosition(position);
}

void ProgressBridge::setText(const std::string& text) {
    dialog_.model().setText(text);
}

void ProgressBridge::bringToFront() {
    dialog_.model().show();
    postToGuiThread(&dialog_, [d = &dialog_] {
        d->raise();
        d->activateWindow();
    });
}

void ProgressBridge::setButtonCaption(const std::string& caption) {
    dialog_.model().setButtonCaption(caption);
}

}  // namespace ui::qt
