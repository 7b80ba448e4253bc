#include "install/PartsInProgress.h"

#include "platform/Files.h"

void PartsInProgress::discardCurrent() {
    if (!currentPartFile.isOpen())
        return;
    currentPartFile.abandon();
    platform::removeFile(currentPartFile.path());
}

void PartsInProgress::removeAll() {
    currentPartFile.abandon();
    for (const std::string& path : createdParts)
        platform::removeFile(path);
    createdParts.clear();
}
