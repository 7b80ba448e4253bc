#pragma once
// Reading the names in a folder. A folder that cannot be read in full (the
// device gone, an I/O error) is a failure, never a folder with fewer names:
// a routine that judges a drive by what is missing must not take an
// unreadable folder for an empty one.

#include <functional>
#include <string>
#include <vector>

namespace platform {

struct FolderListing {
    std::vector<std::string> names;  // every name in the folder, sorted; those read
                                     // before a failure when not `complete`
    bool complete = false;
    std::string error;  // why the folder could not be read in full
    explicit operator bool() const { return complete; }
};

// The names of the entries of `folder` (files, folders, links alike), sorted.
FolderListing listFolder(const std::string& folder);

// Returns false to make a folder read fail (with EIO) before it happens.
// Folder reads have a hook of their own: the fault hook of FaultPoint.h
// counts the operations that change a drive, and its counts stay as they are.
using FolderReadHook = std::function<bool(const std::string& folder)>;
void setFolderReadHook(FolderReadHook hook);

// Notes every folder read of this thread that fails while it lives, for a
// routine whose helpers read folders of their own: it knows afterwards
// whether all it judged was read whole. Watches nest; each sees the failures
// made in its own lifetime.
class FolderReadWatch {
  public:
    FolderReadWatch();
    ~FolderReadWatch();
    FolderReadWatch(const FolderReadWatch&) = delete;
    FolderReadWatch& operator=(const FolderReadWatch&) = delete;

    bool failed() const { return !failures_.empty(); }
    // "<folder>: <reason>" for each read that failed, in order.
    const std::vector<std::string>& failures() const { return failures_; }

  private:
    friend void noteFolderReadFailure(const std::string& folder, const std::string& error);
    FolderReadWatch* outer_;
    std::vector<std::string> failures_;
};

void noteFolderReadFailure(const std::string& folder, const std::string& error);

}  // namespace platform
