#include "ui/QueueStart.h"

namespace ui {

using namespace install;
using namespace report;
using namespace library;
using namespace platform;
using namespace store;

std::string queueItemText(std::size_t count) {
    return std::to_string(count) + " images";
}

std::optional<QueueToStart> queueToStart(MessageBoxes& boxes, const std::function<JobState()>& jobs,
                                         const std::function<InstallForm()>& readForm,
                                         const std::vector<std::string>& images,
                                         const FileSizeOf& fileSize, DriveList& drives) {
    if (!boxes.ask("Start Install?", false))
        return std::nullopt;
    const InstallForm form = readForm();
    if (const std::string blocker = jobInTheWay(jobs(), false); !blocker.empty()) {
        boxes.show(blocker);
        return std::nullopt;
    }
    if (form.targetRoot.empty()) {
        boxes.show(kNoHardDrive);
        return std::nullopt;
    }
    const std::optional<FixedDrive> target = driveToStart(boxes, form, drives);
    if (!target)
        return std::nullopt;
    QueueToStart start{*target, form.targetRoot, planQueue(images, form.media == "DVD", fileSize)};
    // A table that cannot be read asks nothing here; each install then says why.
    askReplaceQuestions(start.images,
                        gameNamesOn(form.targetRoot).value_or(std::vector<std::string>{}), boxes);
    if (!stillFreeToStart(boxes, jobs, *target, form.targetRoot, drives))
        return std::nullopt;
    return start;
}

std::string queueEndText(const std::vector<ImageResult>& results) {
    return "The queue has ended: " + std::to_string(installedCount(results)) + " of " +
           std::to_string(results.size()) + " games installed.\n\n" + queueSummary(results);
}

}  // namespace ui
