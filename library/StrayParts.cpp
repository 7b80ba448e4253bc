#include "library/StrayParts.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/FileTransfer.h"
#include "platform/Files.h"
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"

namespace {}  // namespace

std::set<std::string> ownedPartFiles(const std::string& root,
                                     const std::vector<GameEntry>& records) {
    std::set<std::string> owned;
    for (const GameEntry& entry : records) {
        for (const std::string& path : partFilesOf(root, entry).paths)
            owned.insert(path);
    }
    return owned;
}

std::map<int, std::string> findStrayParts(const std::string& root, const GameEntry& entry,
                                          const std::set<std::string>& owned) {
    std::map<int, std::string> strays;
    PartFiles files = partFilesOf(root, entry);
    if (!files.valid)
        return strays;
    std::set<int> missing;
    for (std::size_t i = 0; i < files.paths.size(); ++i) {
        if (!platform::regularFileSize(files.paths[i]))
            missing.insert(static_cast<int>(i));
    }
    if (missing.empty())
        return strays;
    const std::string ownHash = hashText(gameNameHash(entry.DisplayName()));
    const std::string id = entry.gameId();
    std::error_code error;
    for (std::filesystem::directory_iterator it(platform::fsPath(root), error), end;
         !error && it != end; it.increment(error)) {
        const std::string name = platform::pathText(it->path().filename());
        std::optional<PartFileName> part = parsePartFileName(name);
        const std::string path = root + name;
        if (!part || part->staged || part->gameId != id || missing.count(part->index) == 0 ||
            part->hash == ownHash || owned.count(path) != 0 || !platform::regularFileSize(path))
            continue;
        strays.emplace(part->index, path);  // the first found stands
    }
    return strays;
}

std::vector<std::string> unownedPartFiles(const std::string& root,
                                          const std::set<std::string>& owned) {
    std::vector<std::string> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(platform::fsPath(root), error), end;
         !error && it != end; it.increment(error)) {
        const std::string name = platform::pathText(it->path().filename());
        if (parsePartFileName(name) && owned.count(root + name) == 0)
            found.push_back(root + name);
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool straysCompleteGame(const std::string& root, const GameEntry& entry,
                        const std::map<int, std::string>& strays) {
    PartFiles files = partFilesOf(root, entry);
    if (!files.valid || strays.empty())
        return false;
    for (std::size_t i = 0; i < files.paths.size(); ++i) {
        if (!platform::regularFileSize(files.paths[i]) && strays.count(static_cast<int>(i)) == 0)
            return false;
    }
    return true;
}

bool reuniteParts(const std::string& root, const GameEntry& entry,
                  const std::map<int, std::string>& strays) {
    PartFiles files = partFilesOf(root, entry);
    if (!files.valid)
        return false;
    bool ok = true;
    for (const auto& [index, path] : strays) {
        if (static_cast<std::size_t>(index) >= files.paths.size() ||
            platform::renameNoReplace(path, files.paths[static_cast<std::size_t>(index)]) !=
                platform::RenameResult::Renamed)
            ok = false;
    }
    return platform::syncFolder(root) && ok;
}
