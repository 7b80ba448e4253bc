#include "store/PartNaming.h"

#include <algorithm>

#include "store/NameHash.h"

namespace store {

bool isValidGameId(std::string_view id) {
    if (id.empty() || id.size() > kMaxGameIdLength)
        return false;
    if (id.find("..") != std::string_view::npos)
        return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '.' || c == '-';
    });
}

std::string partPrefix(const std::string& root, std::uint32_t hash, std::string_view gameId) {
    return root + "zt." + hashText(hash) + "." + std::string(gameId);
}

std::optional<std::string> partFilePath(const std::string& prefix, int index) {
    if (index < 0 || index >= kMaxParts)
        return std::nullopt;
    return prefix + ".0" + static_cast<char>('0' + index);
}

std::string stagedPartPath(const std::string& partPath) {
    const std::size_t suffix = partPath.size() < 3 ? 0 : partPath.size() - 3;  // ".0" + digit
    return partPath.substr(0, suffix) + kStagingSuffix + partPath.substr(suffix);
}

PartFiles partFilesOf(const std::string& root, const GameEntry& entry) {
    PartFiles files;
    std::string id = entry.gameId();
    int count = entry.PartCount();
    // No game has zero parts; a negative count is a damaged byte.
    if (!isValidGameId(id) || count <= 0 || count > kMaxParts)
        return files;
    files.valid = true;
    std::string prefix = partPrefix(root, gameNameHash(entry.DisplayName()), id);
    for (int i = 0; i < count; ++i)
        files.paths.push_back(*partFilePath(prefix, i));
    return files;
}

std::optional<PartFileName> parsePartFileName(std::string_view name) {
    PartFileName part;
    if (name.ends_with(kFormerCopyStagingSuffix)) {
        name.remove_suffix(std::string_view(kFormerCopyStagingSuffix).size());
        part.staged = true;
    }
    // "zt." + 8 digits + "." + ID (1 or more) + ".0" + digit
    if (name.size() < 3 + 8 + 1 + 1 + 3 || !name.starts_with("zt.") || name[11] != '.')
        return std::nullopt;
    std::string_view hash = name.substr(3, 8);
    if (!std::all_of(hash.begin(), hash.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }))
        return std::nullopt;
    std::string_view suffix = name.substr(name.size() - 3);
    if (suffix[0] != '.' || suffix[1] != '0' || suffix[2] < '0' || suffix[2] > '9')
        return std::nullopt;
    std::string_view id = name.substr(12, name.size() - 12 - 3);
    if (id.ends_with(kStagingSuffix)) {
        if (part.staged)
            return std::nullopt;
        id.remove_suffix(std::string_view(kStagingSuffix).size());
        part.staged = true;
    }
    if (!isValidGameId(id))
        return std::nullopt;
    part.hash = std::string(hash);
    part.gameId = std::string(id);
    part.index = suffix[2] - '0';
    return part;
}

}  // namespace store
