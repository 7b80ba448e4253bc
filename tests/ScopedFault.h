#pragma once
// Installs a fault hook for the platform's file operations while in scope.

#include "platform/FaultPoint.h"

class ScopedFault {
  public:
    explicit ScopedFault(platform::FaultHook hook) { platform::setFaultHook(std::move(hook)); }
    ~ScopedFault() { platform::setFaultHook({}); }
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;
};

// Fails every operation of kind `op` on a path that ends in `suffix`.
inline platform::FaultHook failing(platform::FileOp op, std::string suffix) {
    return [op, suffix](platform::FileOp seen, const std::string& path, const std::string&) {
        return !(seen == op && path.ends_with(suffix));
    };
}

#include "platform/FolderListing.h"

// Makes folder reads fail while in scope: those that `fails` picks out.
class ScopedFolderReadFault {
  public:
    explicit ScopedFolderReadFault(std::function<bool(const std::string& folder)> fails) {
        platform::setFolderReadHook(
            [fails = std::move(fails)](const std::string& folder) { return !fails(folder); });
    }
    ~ScopedFolderReadFault() { platform::setFolderReadHook({}); }
    ScopedFolderReadFault(const ScopedFolderReadFault&) = delete;
    ScopedFolderReadFault& operator=(const ScopedFolderReadFault&) = delete;
};
