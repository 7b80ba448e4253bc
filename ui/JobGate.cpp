#include "ui/JobGate.h"

namespace ui {

using namespace report;

std::string jobInTheWay(const JobState& jobs, bool forCopy) {
    if (jobs.copy)
        return forCopy ? "A copy is still running; start the next one when it has finished."
                       : "A game is being copied; wait until the copy has finished.";
    if (jobs.install || jobs.format || jobs.busy)
        return "The job is not complete; wait until it has finished.";
    return {};
}

CloseAnswer answerClose(const JobState& jobs, bool agreed, MessageBoxes& boxes,
                        StatusLine& status) {
    if (agreed)
        return CloseAnswer::KeepOpen;
    if (!jobs.any())
        return CloseAnswer::CloseNow;
    if (!boxes.ask("The job is not complete,Exit?", true))
        return CloseAnswer::KeepOpen;
    if (jobs.format)
        status.setText("The window closes when the format has finished.");
    return CloseAnswer::CloseWhenJobsEnd;
}

}  // namespace ui
