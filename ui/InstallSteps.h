#pragma once
// The window's install job, on its worker thread: the install with its
// progress window, stopped as soon as the chosen drive is no longer mounted
// where it was. No toolkit.

#include <string>
#include <vector>

#include "install/InstallCommand.h"
#include "platform/DriveNames.h"
#include "report/FrontEnd.h"
#include "ui/DriveList.h"

namespace ui {

// What the window says after an install that stopped because `root` was
// unmounted (removed, in the words of Windows where `letters`): what it may
// have `left` there (the part files it had written), and that the window's
// "Check Drive" removes them.
std::string driveLostText(const std::string& root, const std::vector<std::string>& left,
                          bool letters = platform::drivesHaveLetters());

// Runs the install `request` (as installToStart gave it) onto `target`; a
// drive gone meanwhile stops it at InstallStep::DriveLost.
install::InstallResult runInstallJob(const install::InstallRequest& request,
                                     const FixedDrive& target, DriveList& drives,
                                     report::FrontEnd& frontEnd, install::DiscOpener opener,
                                     install::InstallCommand::FreeSpace freeSpace);

}  // namespace ui
