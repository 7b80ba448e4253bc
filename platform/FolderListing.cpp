#include "platform/FolderListing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/FolderListingSystem.h"
#include "platform/PathText.h"

namespace platform {
namespace {

FolderReadHook& readHook() {
    static FolderReadHook instance;
    return instance;
}

thread_local FolderReadWatch* innermost = nullptr;

}  // namespace

void setFolderReadHook(FolderReadHook hook) {
    readHook() = std::move(hook);
}

FolderReadWatch::FolderReadWatch() : outer_(innermost) {
    innermost = this;
}

FolderReadWatch::~FolderReadWatch() {
    innermost = outer_;
}

void noteFolderReadFailure(const std::string& folder, const std::string& error) {
    for (FolderReadWatch* watch = innermost; watch != nullptr; watch = watch->outer_)
        watch->failures_.push_back(folder + ": " + error);
}

FolderListing listFolder(const std::string& folder) {
    FolderListing listing;
    std::error_code error;
    if (readHook() && !readHook()(folder)) {
        error = std::error_code(EIO, std::generic_category());
    } else {
        // Each step's error is looked at: an iterator that stops on an error
        // looks like the folder's end.
        for (std::filesystem::directory_iterator it(fsPath(folder), error), end;
             !error && it != end; it.increment(error))
            listing.names.push_back(pathText(it->path().filename()));
        // A device gone under the read may have ended it early without an error.
        if (!error && folder_system::deviceGone(folder))
            error = std::error_code(ENODEV, std::generic_category());
    }
    std::sort(listing.names.begin(), listing.names.end());
    listing.complete = !error;
    if (error) {
        listing.error = error.message();
        noteFolderReadFailure(folder, listing.error);
    }
    return listing;
}

}  // namespace platform
