#pragma once
// The part files that the running install has created, so that a failed or
// abandoned install (or a window closed during one) can remove them.

#include <string>
#include <vector>

#include "install/PartFile.h"

namespace install {

struct PartsInProgress {
    std::vector<std::string> createdParts;  // in creation order
    PartFile currentPartFile;               // the part being written, if one is open
    // The files the last removeAll deleted or tried to, and those it could
    // not, in creation order. A file on a drive unmounted meanwhile counts
    // as deleted (its name is gone), though it may still be on the drive.
    std::vector<std::string> removed;
    std::vector<std::string> left;

    // Closes and deletes the part being written (a sector read gave up).
    void discardCurrent();
    // Closes the open part and deletes every created file, then forgets
    // them; those it could not delete are in `left`.
    void removeAll();
    // Forgets the files of a finished install; they stay on the drive.
    void clear() { createdParts.clear(); }
};

}  // namespace install
