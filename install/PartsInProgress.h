#pragma once
// The part files that the running install has created, so that a failed or
// abandoned install (or a window closed during one) can remove them.

#include <string>
#include <vector>

#include "install/PartFile.h"

struct PartsInProgress {
    std::vector<std::string> createdParts;  // in creation order
    PartFile currentPartFile;               // the part being written, if one is open

    // Closes and deletes the part being written (a sector read gave up).
    void discardCurrent();
    // Closes the open part and deletes every created file, then forgets them.
    void removeAll();
    // Forgets the files of a finished install; they stay on the drive.
    void clear() { createdParts.clear(); }
};
