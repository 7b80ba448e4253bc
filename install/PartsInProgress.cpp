#include "install/PartsInProgress.h"

#include "platform/Files.h"

namespace install {

using namespace platform;

void PartsInProgress::discardCurrent() {
    if (!currentPartFile.isOpen())
        return;
    currentPartFile.abandon();
    platform::removeFile(currentPartFile.path());
}

void PartsInProgress::removeAll() {
    currentPartFile.abandon();
    removed = createdParts;
    left.clear();
    // The last part first: a stop leaves part .00, by which the check knows the rest.
    for (auto it = createdParts.rbegin(); it != createdParts.rend(); ++it) {
        if (!platform::removeFile(*it))
            left.insert(left.begin(), *it);
    }
    createdParts.clear();
}

}  // namespace install
