#include "install/PartsInProgress.h"

#include "platform/Files.h"

void PartsInProgress::discardCurrent() {
    if (!currentPartFile.isOpen())
        return;
    currentPartFile.close();
    platform::removeFile(currentPartFile.path());
}

void PartsInProgress::removeAll() {
    currentPartFile.close();
    for (const std::string& path : createdParts)
        platform::removeFile(path);
    createdParts.clear();
}
