#include "library/StrayParts.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "library/LostGames.h"
#include "platform/FileTransfer.h"
#include "platform/Files.h"
#include "platform/FolderListing.h"
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"

namespace library {

using namespace platform;
using namespace store;

namespace {

// A stopped rename moves some of a game's parts to another name hash: that
// hash then holds exactly the parts the record lacks, and together they are
// the disc that the first part's volume descriptor describes. Parts of
// another game of the same ID (a whole one among them) never fit so. A first
// part without a descriptor cannot tell: then only the first rule judges.
bool completesGame(const std::vector<std::string>& paths, const std::set<int>& missing,
                   const std::map<int, std::string>& unit) {
    for (const auto& [index, path] : unit) {
        if (missing.count(index) == 0)
            return false;
    }
    std::vector<FoundPart> joined;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        auto moved = unit.find(static_cast<int>(i));
        const std::string& path = moved == unit.end() ? paths[i] : moved->second;
        const std::optional<std::uint64_t> size = platform::regularFileSize(path);
        if (!size)
            return false;
        joined.push_back({path, path, *size});
    }
    return !discVolumeSectors(joined[0].path) ||
           wholeGameParts(joined) == static_cast<int>(paths.size());
}

}  // namespace

std::optional<std::string> stagedImageTarget(const std::string& name) {
    constexpr std::size_t kSuffix = 4 + 6;  // ".zt-" and six characters
    if (name.size() <= kSuffix || name.compare(name.size() - kSuffix, 4, ".zt-") != 0)
        return std::nullopt;
    for (std::size_t i = name.size() - 6; i < name.size(); ++i) {
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return std::nullopt;
    }
    return name.substr(0, name.size() - kSuffix);
}

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
    PartFiles files = partFilesOf(root, entry);
    if (!files.valid)
        return {};
    std::set<int> missing;
    for (std::size_t i = 0; i < files.paths.size(); ++i) {
        if (!platform::regularFileSize(files.paths[i]))
            missing.insert(static_cast<int>(i));
    }
    if (missing.empty())
        return {};
    // Every unowned part of the game ID under another name hash, by hash.
    const std::string ownHash = hashText(gameNameHash(entry.DisplayName()));
    const std::string id = entry.gameId();
    std::map<std::string, std::map<int, std::string>> units;
    for (const std::string& name : platform::listFolder(root).names) {
        std::optional<PartFileName> part = parsePartFileName(name);
        const std::string path = root + name;
        if (!part || part->staged || part->gameId != id || part->hash == ownHash ||
            owned.count(path) != 0 || !platform::regularFileSize(path))
            continue;
        units[part->hash].emplace(part->index, path);
    }
    for (const auto& [hash, unit] : units) {
        if (completesGame(files.paths, missing, unit))
            return unit;
    }
    return {};
}

std::vector<std::string> unownedPartFiles(const std::string& root,
                                          const std::set<std::string>& owned) {
    std::vector<std::string> found;
    for (const std::string& name : platform::listFolder(root).names) {
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

}  // namespace library
