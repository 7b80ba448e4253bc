#pragma once
// What the window checks and asks before each job and list command, in the
// order a person meets it. No toolkit: the window reads its controls and
// shows the boxes; these decide.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/InstallRequest.h"
#include "library/GameRename.h"
#include "platform/DriveNames.h"
#include "report/FrontEnd.h"
#include "ui/DriveList.h"
#include "ui/JobGate.h"

namespace ui {

inline constexpr const char* kNoHardDrive =
    "No hard drive was found.\nConnect a USB hard drive, mount it and try again.";

// The install's choices as the window's controls hold them.
struct InstallForm {
    std::string source;      // an optical drive or an image file; empty: none chosen
    std::string targetRoot;  // the hard drive's root; empty: none
    std::string gameName;
    std::string media;         // "CD" or "DVD"
    std::string targetDevice;  // the device of the drive chosen at targetRoot
};

// What the window says when the drive chosen at `root` is no longer that
// device mounted there (unmounted, or another drive in its place). `letters`:
// in the words of a system that names drives by letters (Windows), where a
// person plugs a drive in rather than mounting it.
std::string driveGoneText(const std::string& root, bool letters = platform::drivesHaveLetters());

// What the window says when the drive or disk chosen to be formatted is gone.
std::string formatGoneText(const std::string& chosenRoot,
                           bool letters = platform::drivesHaveLetters());

// The drive at `root` as a person names it: its letter ("H:") where drives
// have letters, else the root as it stands.
std::string driveNameOf(const std::string& root, bool letters = platform::drivesHaveLetters());

// What the window says when the drive chosen at `root` is mounted read-only.
std::string readOnlyDriveText(const std::string& root);

// What the window says when this user may not change the drive chosen at `root`.
std::string notWritableDriveText(const std::string& root);

inline constexpr const char* kNoNameText = "Please intput file name.";
inline constexpr const char* kNameTooLongText =
    "The game name is too long: a name has at most 31 bytes (a letter outside ASCII takes two "
    "or more).";

// What the window says when the chosen image file is not there any more.
std::string sourceMissingText(const std::string& source);

// What keeps the form from an install: an empty name first, then what this
// system adds in the order a person fills the form in: no hard drive, a too
// long name, no source, or an image file (a source not among
// `opticalDrives`) that is gone. Empty when nothing does.
std::string formProblem(const InstallForm& form, const std::vector<std::string>& opticalDrives);

// The drive the form chose, once it is still there, writable and usable,
// and, when it is the system's drive, after a Yes (default No); nothing
// after saying why not.
std::optional<FixedDrive> driveToStart(report::MessageBoxes& boxes, const InstallForm& form,
                                       DriveList& drives);

// The last check after every box: no job started while one was open, and
// `target` still the same device mounted at the same place (`root`): an
// unmounted drive's folder would take the game onto the disk beneath it.
bool stillFreeToStart(report::MessageBoxes& boxes, const std::function<JobState()>& jobs,
                      const FixedDrive& target, const std::string& root, DriveList& drives);

// "Start": asks "Start Install?" before anything else; after a Yes it reads
// the form and says "Please intput file name." for an empty name, then a
// job in the way, what else the form lacks, and a chosen drive gone or
// read-only; then asks before installing onto the system's drive (default
// No). The install's argument vector when it may start; nothing after a
// refusal or a No. Last, after every box, the jobs are looked at again (one
// started while a box was open wins) and the chosen drive must still be the
// same device mounted at the same place: an unmounted drive's folder would
// take the game onto the disk beneath it.
std::optional<install::InstallRequest> installToStart(report::MessageBoxes& boxes,
                                                      const std::function<JobState()>& jobs,
                                                      const std::function<InstallForm()>& readForm,
                                                      DriveList& drives);

// Why "Format..." opens no drive dialog now (no fixed drive, or a job in the
// way); empty when it may.
std::string formatBlocker(const JobState& jobs, bool haveFixedDrive);

// The drive to format once the drive dialog chose `chosenRoot` (a drive's
// root, or the device of a disk not mounted): one of `fixed`, the format
// candidates as they are now, and not on a disk of `systemDevices`. Nothing
// after saying why not.
std::optional<FixedDrive> driveToFormat(const std::string& chosenRoot,
                                        const std::vector<FixedDrive>& fixed,
                                        const std::vector<std::string>& systemDevices,
                                        report::MessageBoxes& boxes);

// The game a list command (Delete, Rename, Copy...) works on: nothing after
// saying that there is no hard drive or no selected game.
std::optional<std::string> gameForCommand(const std::string& targetRoot,
                                          const std::optional<std::string>& selected,
                                          const report::FrontEnd& frontEnd);

// Whether the list is read again after a rename that ended with `result`: not
// when nothing changed, nor after a stop at a file in the way, so that the
// list keeps the name the user knows.
bool listAfterRename(const library::RenameGameResult& result);

// What the window says when no browser opens its web site.
std::string webSiteFailureText(const std::string& url);

}  // namespace ui
