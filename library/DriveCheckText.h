#pragma once
// What the drive check tells the user about each thing it finds. Names and
// paths from the drive are shown with their control bytes escaped.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "library/LostGames.h"
#include "store/GameEntry.h"

namespace library {

// A table that cannot be read is kept under this name when one is rebuilt.
constexpr const char* kUnreadableTableName = "zt.cfg.unreadable";

std::string unreadableTableText(const std::string& root, bool exists);
std::string leftoverTempText(const std::string& root);
std::string tornRecordText(const std::string& root, std::size_t bytes,
                           const std::optional<store::GameEntry>& readable);
std::string unreadDriveText(const std::string& root, const std::vector<std::string>& unread);
std::string badGameIdText(const store::GameEntry& entry);
std::string badPartCountText(const store::GameEntry& entry, int partsOnDrive);
std::string countTooLargeText(const store::GameEntry& entry, int wholeParts);
std::string missingPartsText(const store::GameEntry& entry,
                             const std::map<int, std::string>& missing);
std::string splitGameText(const store::GameEntry& entry, const std::map<int, std::string>& strays);
std::string unknownMediaText(const store::GameEntry& entry, std::uint32_t mediaType);
std::string lostGameText(const std::string& root, const LostGame& game);
std::string unownedFileText(const std::string& path);
std::string stagedImageText(const std::string& path, const std::string& image);
std::string shortPartsText(const store::GameEntry& entry, const std::string& problem);
std::string notAFileText(const std::string& path);
std::string duplicateRecordText(const store::GameEntry& entry, std::size_t first,
                                std::size_t again);
std::string unjudgedPartText(const std::string& path);

}  // namespace library
