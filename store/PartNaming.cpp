#include "store/PartNaming.h"

#include <algorithm>

#include "store/NameHash.h"

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
