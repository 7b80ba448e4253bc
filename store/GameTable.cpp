#include "store/GameTable.h"

#include "store/DriveRoot.h"
#include "store/TableFile.h"

namespace store {

GameTable::GameTable(const std::string& root) : path_(tablePath(root)) {
    load(path_);
}

void GameTable::load(const std::string& path) {
    TableContents contents = readTableFile(path);
    entries_.insert(entries_.end(), contents.records.begin(), contents.records.end());
}

TableWrite GameTable::save(const std::string& path) const {
    return writeTableFile(path, entries_);
}

bool GameTable::addEntry(std::string_view displayName, std::string_view imageFileName,
                         std::uint32_t sectorSize, std::uint8_t dvdFlag, std::uint8_t partCount,
                         std::ostream& out) {
    if (displayName.size() + 1 > entry_layout::kDisplayNameSize) {
        out << "'DisplayName' is too long\n";
        return false;
    }
    if (imageFileName.size() + 1 > entry_layout::kImageFileNameSize) {
        out << "'ImageFileName' is too long\n";
        return false;
    }
    if (sectorSize != 2048 && sectorSize != 2328 && sectorSize != 2340)
        return false;

    GameEntry entry;
    entry.setDisplayName(displayName);
    entry.setImageFileName(imageFileName);
    entry.setPartCount(partCount);
    entry.setMediaType(dvdFlag != 0 ? kMediaDvd : kMediaCd);
    entry.setSectorSize(sectorSize);
    entries_.push_back(entry);
    return true;
}

}  // namespace store
