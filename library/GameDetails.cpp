#include "library/GameDetails.h"

#include <cstdio>

#include "library/GameFiles.h"
#include "store/DriveRoot.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

std::optional<std::string> gameDetails(const std::string& root, const std::string& name) {
    std::optional<std::string> details;
    for (const GameEntry& entry : readTableFile(tablePath(root)).records) {
        if (!hasName(entry, name))
            continue;
        // A damaged record names no file, so its size counts as 0.
        PartPresence presence = findPartFiles(partFilesOf(root, entry).paths);
        char text[96];
        std::snprintf(text, sizeof text, "Size %llu Bytes ,File number %d ",
                      static_cast<unsigned long long>(presence.bytes),
                      static_cast<int>(entry.PartCount()));
        details = text;
    }
    return details;
}
