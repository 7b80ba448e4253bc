#include <cerrno>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/DriveIdentity.h"
#include "platform/ThreadText.h"

namespace platform {
namespace {

struct Held {
    std::uint64_t token;
    std::string root;  // ends with a separator
    DriveIdentity identity;
    // The root folder's handle, closed when the last user lets it go; empty
    // when the root could not be opened.
    std::shared_ptr<const SystemHandle> handle;
};

struct Registry {
    std::mutex mutex;  // jobs run on worker threads
    std::uint64_t next = 1;
    std::vector<Held> held;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string withSeparator(std::string root) {
    if (root.empty() || !isSeparator(root.back()))
        root += '/';
    return root;
}

// Whether `path` is `root` itself or lies under it, either separator counting.
bool isUnder(const std::string& path, const std::string& root) {
    if (path.size() + 1 == root.size())
        return root.compare(0, path.size(), path) == 0;
    if (path.size() < root.size())
        return false;
    for (std::size_t i = 0; i < root.size(); ++i) {
        if (path[i] != root[i] && !(isSeparator(path[i]) && isSeparator(root[i])))
            return false;
    }
    return true;
}

thread_local ThreadText lastChanged;

}  // namespace

bool driveChanged(const std::string& root) {
    std::string name = root;
    if (name.size() == 3 && name[1] == ':' && isSeparator(name[2]))
        name.pop_back();  // a drive letter's root: "H:"
    lastChanged.set(name);
    errno = ENODEV;
    return false;
}

std::string changedDriveName() {
    return lastChanged.text();
}

bool sameDrive(const std::string& root, const DriveIdentity& chosen) {
    std::optional<DriveIdentity> now = driveIdentity(root);
    return now && *now == chosen;
}

DriveHold::DriveHold(const std::string& root) {
    std::optional<DriveIdentity> identity = driveIdentity(root);
    if (!identity)
        return;
    std::shared_ptr<const SystemHandle> handle;
    if (SystemHandle opened = openRootHandle(root); opened.valid())
        handle = std::make_shared<const SystemHandle>(std::move(opened));
    Registry& drives = registry();
    std::lock_guard<std::mutex> lock(drives.mutex);
    token_ = drives.next++;
    drives.held.push_back({token_, withSeparator(root), *identity, std::move(handle)});
}

DriveHold& DriveHold::operator=(DriveHold&& other) noexcept {
    if (this != &other) {
        release();
        token_ = other.token_;
        other.token_ = 0;
    }
    return *this;
}

void DriveHold::release() {
    if (token_ == 0)
        return;
    Registry& drives = registry();
    std::lock_guard<std::mutex> lock(drives.mutex);
    std::erase_if(drives.held, [this](const Held& held) { return held.token == token_; });
    token_ = 0;
}

bool heldDriveStillThere(const std::string& path) {
    std::vector<Held> held;
    {
        Registry& drives = registry();
        std::lock_guard<std::mutex> lock(drives.mutex);
        if (drives.held.empty())
            return true;
        held = drives.held;
    }
    for (const Held& drive : held) {
        if (isUnder(path, drive.root) && !sameDrive(drive.root, drive.identity))
            return driveChanged(drive.root);
    }
    return true;
}

HeldPath heldPath(const std::string& path) {
    Registry& drives = registry();
    std::lock_guard<std::mutex> lock(drives.mutex);
    // The latest hold first: a routine within a job may hold the drive again.
    for (auto it = drives.held.rbegin(); it != drives.held.rend(); ++it) {
        if (!it->handle || !isUnder(path, it->root))
            continue;
        HeldPath held;
        held.root = it->handle->get();
        if (path.size() > it->root.size())
            held.name = path.substr(it->root.size());
        else
            held.name.push_back('.');  // the root itself
        held.keep = it->handle;
        return held;
    }
    HeldPath unheld;
    unheld.name = path;
    return unheld;
}

}  // namespace platform
