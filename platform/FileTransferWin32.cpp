#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/FaultPoint.h"
#include "platform/FileTransfer.h"
#include "platform/Files.h"
#include "platform/Flush.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace {

constexpr std::size_t kCopyPiece = 8u << 20;  // bytes per step: progress and cancel in between

bool pathExists(const std::string& path) {
    return GetFileAttributesW(longPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Copies the open `in` to the new, empty `out` piece by piece.
CopyResult copyPieces(HANDLE in, HANDLE out, const std::string& to, std::uint64_t total,
                      const CopyProgress& progress) {
    std::vector<std::uint8_t> buffer(kCopyPiece);
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

RenameResult renameNoReplace(const std::string& from, const std::string& to) {
    if (!fileOpAllowed(FileOp::Rename, from, to))
        return RenameResult::Failed;
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
    if (MoveFileExW(longPath(from).c_str(), longPath(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return RenameResult::Renamed;
    const DWORD error = GetLastError();
    failed(error);
    // A missing old file counts first, whatever the new name.
    if (!pathExists(from))
        return RenameResult::SourceMissing;
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return RenameResult::TargetExists;
    return RenameResult::Failed;
}

CopyOutcome copyFileNoReplace(const std::string& from, const std::string& to,
                              const CopyProgress& progress) {
    CopyOutcome outcome;
    // A part file is never read through a reparse point: it could lead off the drive.
    HANDLE in = openNoFollow(from, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    LARGE_INTEGER size{};
    if (in == INVALID_HANDLE_VALUE || !GetFileSizeEx(in, &size)) {
        outcome.error = std::strerror(errno);
        if (in != INVALID_HANDLE_VALUE)
            CloseHandle(in);
        return outcome;
    }
    if (!isRegularFile(in)) {
        CloseHandle(in);
        outcome.error = "not a regular file";
        return outcome;
    }
    if (!fileOpAllowed(FileOp::Open, to)) {
        CloseHandle(in);
        outcome.error = lastErrorText();
        return outcome;
    }
    HANDLE out = CreateFileW(longPath(to).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                             nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        CloseHandle(in);
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            outcome.result = CopyResult::TargetExists;
        } else {
            failed(error);
            outcome.error = std::strerror(errno);
        }
        return outcome;
    }
    // From here on `to` is ours: every way out but success removes it.
    const std::uint64_t total = static_cast<std::uint64_t>(size.QuadPart);
    // Room for the whole file first, so that it lies in one run of clusters
    // where the drive has one; only a hint, the copy decides.
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = size.QuadPart;
    if (total > 0)
        SetFileInformationByHandle(out, FileAllocationInfo, &allocation, sizeof allocation);
    outcome.result = copyPieces(in, out, to, total, progress);
    CloseHandle(in);
    if (outcome.result == CopyResult::Copied && !flushToDevice(fromHandle(out), to))
        outcome.result = CopyResult::Failed;
    if (outcome.result == CopyResult::Failed)
        outcome.error = std::strerror(errno);
    if (!CloseHandle(out) && outcome.result == CopyResult::Copied) {
        failed();
        outcome.result = CopyResult::Failed;
        outcome.error = std::strerror(errno);
    }
    if (outcome.result != CopyResult::Copied)
        removeFile(to);
    return outcome;
}

}  // namespace platform
