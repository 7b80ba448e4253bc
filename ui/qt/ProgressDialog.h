#pragma once
// The small modeless window in which long jobs show their progress. Its one
// button reads "Cancel" while a job runs and asks it to stop, and "OK" after
// a job succeeded; either way it hides the window and gives the main window
// back. Jobs drive it from their worker threads through `ProgressBridge`;
// what it says, and when, comes from the core's ui/ProgressModel.

#include <atomic>
#include <string>

#include <QDialog>

#include "report/FrontEnd.h"
#include "ui/ProgressModel.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace ui::qt {

class ProgressDialog : public QDialog {
    Q_OBJECT
  public:
    // Built from the progress template; `title` is "Install" for the install
    // and format jobs' window, "copy" for the copy's own window.
    explicit ProgressDialog(const QString& title = QStringLiteral("Install"));

    QLabel* textLine = nullptr;           // control 1020
    QProgressBar* progressBar = nullptr;  // control 1013
    QPushButton* button = nullptr;        // control 2: "Cancel" or "OK"

    // Set by the button, read by the jobs' copy loops on their own thread.
    std::atomic<int> cancelRequested{0};
    // Set when the program is closing: every job is asked to stop, however
    // early it cleared the flag above.
    std::atomic<bool> closing{false};

    // The button, the Escape key and the close box: ask the job to stop,
    // reset the bar and the caption, give the main window back, hide.
    void OnCancel();

    // Makes the window a tool window of `owner` (null: none). A window that
    // runs modally blocks every window of the program but its own: the
    // progress window must be the main window's to take input at all.
    void setOwner(QWidget* owner);

    // A job begins: the window names it and counts afresh. Any thread.
    void beginJob(const ProgressJob& job);
    // The job ended well: shown with `outcome` and "OK". Any thread.
    void finishJob(const std::string& outcome);
    // What the window shows; any thread changes it, the window draws it.
    ProgressModel& model() { return model_; }

  signals:
    // The main window enables itself again.
    void cancelled();
    // The text line of a shown window, for the main window's status line.
    void lineShown(const QString& line);

  protected:
    void reject() override { OnCancel(); }
    void closeEvent(QCloseEvent* event) override;

  private:
    void fitTextLine(bool shown);
    int lineHeight_ = 0;  // the text line's own height, one line
    // Shows the model's latest view on the window thread.
    void draw();
    void apply(const ProgressDisplay& view);

    ProgressModel model_{[this] { draw(); }};
};

// The progress window as the routines see it; callable from any thread.
class ProgressBridge : public report::ProgressWindow {
  public:
    explicit ProgressBridge(ProgressDialog& dialog) : dialog_(dialog) {}
    void show() override;
    void hide() override;
    void setRange(int upper) override;
    void setSize(std::uint64_t bytes) override;
    void setPosition(int position) override;
    void setText(const std::string& text) override;
    void bringToFront() override;
    void setButtonCaption(const std::string& caption) override;
    bool cancelRequested() const override {
        return dialog_.cancelRequested.load() != 0 || dialog_.closing.load();
    }
    void clearCancel() override { dialog_.cancelRequested.store(0); }
    // Only a worker waits for a busy drive; the window's own thread must go on answering.
    bool mayWait() const override;

  private:
    ProgressDialog& dialog_;
};

}  // namespace ui::qt
