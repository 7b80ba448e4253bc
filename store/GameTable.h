#pragma once
// The game table of one drive held in memory, in file order.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "store/GameEntry.h"
#include "store/TableFile.h"

namespace store {

class GameTable {
  public:
    GameTable() = default;
    // Loads root + "zt.cfg"; a missing or unreadable file gives an empty table.
    explicit GameTable(const std::string& root);

    // Appends the file's complete records; an unopenable file changes nothing.
    void load(const std::string& path);
    // Replaces the file with the records, atomically; a failure says why.
    TableWrite save(const std::string& path) const;
    TableWrite save() const { return save(path_); }

    // Appends a new record. Refuses, printing why on `out` for the two names,
    // a display name over 31 or an image file name over 14 characters, and a
    // sector size other than 2048, 2328 or 2340.
    bool addEntry(std::string_view displayName, std::string_view imageFileName,
                  std::uint32_t sectorSize, std::uint8_t dvdFlag, std::uint8_t partCount,
                  std::ostream& out);

    const std::vector<GameEntry>& entries() const { return entries_; }
    int count() const { return static_cast<int>(entries_.size()); }
    const std::string& path() const { return path_; }

  private:
    std::vector<GameEntry> entries_;
    std::string path_;
};

}  // namespace store
