#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/DriveFileWin32.h"
#include "platform/FaultPoint.h"
#include "platform/FileTransfer.h"
#include "platform/FileTransferSystem.h"
#include "platform/Files.h"
#include "platform/Flush.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace {

// Copies the open `in` to the new, empty `out` piece by piece.
CopyResult copyPieces(HANDLE in, HANDLE out, const std::string& to, std::uint64_t total,
                      const CopyProgress& progress) {
    std::vector<std::uint8_t> buffer(kCopyStep);
    std::uint64_t done = 0;
    for (;;) {
        std::size_t got = 0;
        if (!win32::readAt(in, done, buffer.data(), buffer.size(), got))
            return CopyResult::Failed;
        if (got == 0)
            return CopyResult::Copied;
        if (!fileOpAllowed(FileOp::Write, to) || !writeAt(out, done, buffer.data(), got))
            return CopyResult::Failed;
        done += got;
        if (progress && !progress(done, total))
            return CopyResult::Cancelled;
    }
}

}  // namespace

bool file_transfer::moveNoReplace(const std::string& from, const std::string& to,
                                  bool& sourceMissing) {
    // Without replacing, the move fails when `to` exists.
    return moveOnDrive(from, to, false, sourceMissing);
}

CopyOutcome copyFileNoReplace(const std::string& from, const std::string& to,
                              const CopyProgress& progress) {
    CopyOutcome outcome;
    // A part file is never read through a reparse point: it could lead off the drive.
    const Handle in = openOnDrive(from, GENERIC_READ, OPEN_EXISTING,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  FILE_FLAG_SEQUENTIAL_SCAN);
    LARGE_INTEGER size{};
    if (!in.valid() || !GetFileSizeEx(in.get(), &size)) {
        outcome.error = lastErrorText();
        return outcome;
    }
    if (!isRegularFile(in.get())) {
        outcome.error = "not a regular file";
        return outcome;
    }
    if (!fileOpAllowed(FileOp::Open, to)) {
        outcome.error = lastErrorText();
        return outcome;
    }
    Handle out =
        openOnDrive(to, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_NEW, FILE_SHARE_READ);
    if (!out.valid()) {
        if (errno == EEXIST)
            outcome.result = CopyResult::TargetExists;
        else
            outcome.error = lastErrorText();
        return outcome;
    }
    // From here on `to` is ours: every way out but success removes it.
    const std::uint64_t total = static_cast<std::uint64_t>(size.QuadPart);
    // Room for the whole file first, so that it lies in one run of clusters
    // where the drive has one; only a hint, the copy decides.
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = size.QuadPart;
    if (total > 0)
        SetFileInformationByHandle(out.get(), FileAllocationInfo, &allocation, sizeof allocation);
    outcome.result = copyPieces(in.get(), out.get(), to, total, progress);
    if (outcome.result == CopyResult::Copied && !flushToDevice(fromHandle(out.get()), to))
        outcome.result = CopyResult::Failed;
    if (outcome.result == CopyResult::Failed)
        outcome.error = lastErrorText();
    if (outcome.result != CopyResult::Copied) {
        discardMade(out, to);
    } else if (!out.close()) {
        failed();
        outcome.result = CopyResult::Failed;
        outcome.error = lastErrorText();
        removeFile(to);
    }
    return outcome;
}

}  // namespace platform
