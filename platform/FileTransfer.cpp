#include "platform/FileTransfer.h"

#include <cerrno>

#include "platform/FaultPoint.h"
#include "platform/FileTransferSystem.h"

namespace platform {

RenameResult renameNoReplace(const std::string& from, const std::string& to) {
    if (!fileOpAllowed(FileOp::Rename, from, to))
        return RenameResult::Failed;
    bool sourceMissing = false;
    if (file_transfer::moveNoReplace(from, to, sourceMissing))
        return RenameResult::Renamed;
    // A missing old file counts first, whatever the new name.
    if (sourceMissing)
        return RenameResult::SourceMissing;
    if (errno == EEXIST)
        return RenameResult::TargetExists;
    return RenameResult::Failed;
}

}  // namespace platform
