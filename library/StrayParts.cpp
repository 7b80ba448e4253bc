#include "library/StrayParts.h"

#include <filesystem>
#include <system_error>

#include "platform/FileTransfer.h"
#include "platform/Files.h"
#include "platform/Volume.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"

namespace {

// "zt." + 8 hex digits + "." + game ID + ".0" + digit, parsed; -1 for any other name.
int partIndexOf(const std::string& fileName, const std::string& gameId, std::string& hash) {
    const std::string tail = "." + gameId + ".0";
    if (fileName.size() != 3 + 8 + tail.size() + 1 || fileName.compare(0, 3, "zt.") != 0 ||
        fileName.compare(11, tail.size(), tail) != 0)
        return -1;
    hash = fileName.substr(3, 8);
    for (char c : hash) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return -1;
    }
    char digit = fileName.back();
    return digit >= '0' && digit <= '9' ? digit - '0' : -1;
}

}  // namespace

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
    for (std::filesystem::directory_iterator it(root, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::string hash;
        int index = partIndexOf(name, id, hash);
        const std::string path = root + name;
        if (index < 0 || missing.count(index) == 0 || hash == ownHash || owned.count(path) != 0 ||
            !platform::regularFileSize(path))
            continue;
        strays.emplace(index, path);  // the first found stands
    }
    return strays;
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
