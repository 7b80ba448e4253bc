#pragma once
// The window's jobs on the drive shown and its games, each on its worker
// thread with the progress window: the drive check with its question (which
// records lost games again), the verification of a game, and its export to
// one image file. No toolkit: each window says through GameJobWindow what it
// disables and shows.

#include <optional>
#include <string>

#include "report/FrontEnd.h"
#include "ui/ProgressState.h"

namespace ui {

// What a window does as such a job begins and ends; called on the job's thread.
class GameJobWindow {
  public:
    virtual ~GameJobWindow() = default;
    // The job begins: the progress window names it, and the window is
    // disabled behind it, as for an install.
    virtual void gameJobStarted(const ProgressJob& job) = 0;
    // It ended: the window given back (after the progress window's "OK"
    // when there is an outcome), and the list read again (the drive's games
    // may have `changed`). With an `outcome` the progress
    // window shows it with "OK"; an empty one: the window's own account of
    // the job (what was done, how much, how fast).
    virtual void gameJobEnded(bool changed, const std::optional<std::string>& outcome) = 0;
};

// Checks the drive at `root`: lists what is wrong in the question "Repair
// the drive?" (or the question to rebuild an unreadable table) and repairs
// on Yes. True when the drive changed.
bool runCheckJob(const std::string& root, GameJobWindow& window, const report::FrontEnd& frontEnd);

// Reads every part of game `name` once; a box gives its size and digests,
// and says when a part has the wrong size.
void runVerifyJob(const std::string& root, const std::string& name, GameJobWindow& window,
                  const report::FrontEnd& frontEnd);

// Writes game `name` as the image `file`.
void runExportJob(const std::string& root, const std::string& name, const std::string& file,
                  GameJobWindow& window, const report::FrontEnd& frontEnd);

// The file name offered for the export of game `name`: the name with the
// bytes that no file name may hold replaced, and ".iso".
std::string exportFileName(const std::string& name);

// What the status line says when game `name` was copied to `targetRoot`.
std::string copiedText(const std::string& name, const std::string& targetRoot);

}  // namespace ui
