#pragma once
// What the window checks and asks before a queue of images starts, all
// before the first game, so that the person may leave once it runs. No
// toolkit.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/InstallQueue.h"
#include "report/FrontEnd.h"
#include "ui/DriveList.h"
#include "ui/JobGate.h"
#include "ui/StartChecks.h"

namespace ui {

// The source box's item that stands for the queue: "12 images".
std::string queueItemText(std::size_t count);

struct QueueToStart {
    FixedDrive target;
    std::string root;
    std::vector<install::QueuedImage> images;
};

// "Start" with several images: asks "Start Install?" first, then says what
// is in the way (a job, no hard drive, the chosen drive gone, read-only or
// not this user's, or the system's drive answered No), then asks the
// replace question of each image whose name a game on the drive has. The
// media box's choice (`form.media`) is each image's unless it is larger
// than a CD. Nothing after a refusal or a No to the start.
std::optional<QueueToStart> queueToStart(report::MessageBoxes& boxes,
                                         const std::function<JobState()>& jobs,
                                         const std::function<InstallForm()>& readForm,
                                         const std::vector<std::string>& images,
                                         const install::FileSizeOf& fileSize, DriveList& drives);

// The box at the queue's end: how many were installed, then each image's outcome.
std::string queueEndText(const std::vector<install::ImageResult>& results);

}  // namespace ui
