// The steps of platform/Files.h, and the fault point before each, the same on
// every system; the system calls are in FilesPosix.cpp and FilesWin32.cpp.

#include "platform/Files.h"

#include "platform/FaultPoint.h"
#include "platform/FilesSystem.h"
#include "platform/Flush.h"

namespace platform {

bool writeFileSynced(const std::string& path, std::span<const std::uint8_t> data) {
    if (!removeFile(path) || !fileOpAllowed(FileOp::Open, path))
        return false;
    SystemHandle file = files_system::createNew(path);
    if (!file.valid())
        return false;
    bool ok = true;
    std::uint64_t offset = 0;  // one fault point per write
    while (ok && offset < data.size()) {
        const std::int64_t n =
            fileOpAllowed(FileOp::Write, path)
                ? files_system::writeSome(file.get(), offset, data.subspan(offset))
                : -1;
        ok = n > 0;
        if (ok)
            offset += static_cast<std::uint64_t>(n);
    }
    ok = ok && flushToDevice(file.get(), path);
    return files_system::finishNew(file, path, ok);
}

Replacement replaceFile(const std::string& from, const std::string& to) {
    if (!fileOpAllowed(FileOp::Rename, from, to))
        return Replacement::Failed;
    return files_system::replace(from, to);
}

bool removeFile(const std::string& path) {
    return fileOpAllowed(FileOp::Remove, path) && files_system::remove(path);
}

}  // namespace platform
