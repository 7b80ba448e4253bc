#include "install/InstallCommand.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "install/DiscInfo.h"
#include "install/DiscSource.h"
#include "install/IdentifyDisc.h"
#include "install/SplitImageWriter.h"
#include "platform/Files.h"
#include "store/DriveRoot.h"
#include "store/GameTable.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"
#include "store/TableRewrite.h"

namespace {

constexpr std::size_t kMaxNameLength = entry_layout::kDisplayNameSize - 1;
// New parts that would take the names of the files of the game they replace
// are written under this suffix (not allowed in a game ID, so no other game's
// file can have such a name) and renamed once the game is recorded.
constexpr const char* kStagingSuffix = "~new";

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
        if (x != b[i])
            return false;
    }
    return true;
}

// A text from a disc, made safe to show: printable characters only, and not too long.
std::string printable(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string shown;
    for (char c : text.substr(0, kShown))
        shown += (c >= 0x20 && c < 0x7F) ? c : '?';
    if (text.size() > kShown)
        shown += "...";
    return shown;
}

std::optional<std::uint64_t> spaceAvailable(const std::string& root) {
    std::error_code error;
    std::filesystem::space_info info = std::filesystem::space(root, error);
    if (error)
        return std::nullopt;
    return info.available;
}

std::uint64_t sizeOfFiles(const std::set<std::string>& paths) {
    std::uint64_t total = 0;
    for (const std::string& path : paths) {
        std::error_code error;
        std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error)
            total += size;
    }
    return total;
}

// The existing part files of the given records.
std::set<std::string> existingFilesOf(const std::string& root,
                                      const std::vector<GameEntry>& records) {
    std::set<std::string> files;
    for (const GameEntry& record : records) {
        for (const std::string& path : partFilesOf(root, record).paths) {
            std::error_code error;
            if (std::filesystem::is_regular_file(path, error))
                files.insert(path);
        }
    }
    return files;
}

std::function<RecordDecision(const GameEntry&)> dropNamed(const std::string& name) {
    return [name](const GameEntry& entry) {
        return entry.DisplayName() == name ? RecordDecision::Drop : RecordDecision::Keep;
    };
}

// Deletes the part files of records that the table no longer lists, except
// the files the new install has just written under the same names.
void removeDroppedFiles(const std::string& root, const std::vector<GameEntry>& dropped,
                        const std::set<std::string>& keep) {
    for (const GameEntry& record : dropped) {
        for (const std::string& path : partFilesOf(root, record).paths) {
            if (keep.count(path) == 0)
                platform::removeFile(path);
        }
    }
}

}  // namespace

InstallCommand::InstallCommand(FrontEnd& ui, DiscOpener opener, FreeSpace freeSpace)
    : ui_(ui),
      opener_(std::move(opener)),
      freeSpace_(freeSpace ? std::move(freeSpace) : FreeSpace(spaceAvailable)) {}

int InstallCommand::run(const std::vector<std::string>& args) {
    parts_.currentPartFile.abandon();
    parts_.clear();
    if (args.size() != 5) {
        ui_.out << kUsage;
        return 0;
    }
    std::uint8_t dvdFlag = 0;
    if (equalsIgnoringCase(args[4], "DVD")) {
        dvdFlag = 1;
    } else if (!equalsIgnoringCase(args[4], "CD")) {
        ui_.out << "enter CD or DVD mode\n";
        return 0;
    }
    const std::string root = normalizeRoot(args[2]);
    const std::string& name = args[3];

    DiscSource source(ui_.status, opener_);
    DiscInfo disc;
    if (!identifyDisc(source, args[1], ui_.status, disc)) {
        ui_.boxes.show("Source drive is invalid\n");
        return 0;
    }

    // Everything that could keep the game from being recorded is checked
    // before anything on the target changes.
    char text[256];
    if (name.size() > kMaxNameLength) {
        ui_.boxes.show("The game name is too long: a name has at most 31 characters\n");
        return 0;
    }
    if (!isValidGameId(disc.gameId)) {
        std::snprintf(text, sizeof text,
                      "The game ID \"%s\" on the disc cannot be used: a game ID has 1 to 11 "
                      "letters, digits, '_', '.' or '-'\n",
                      printable(disc.gameId).c_str());
        ui_.boxes.show(text);
        return 0;
    }
    const std::int64_t partsNeeded =
        (std::int64_t{disc.sectorCount} + SplitImageWriter::kPartSectors - 1) /
        SplitImageWriter::kPartSectors;
    if (partsNeeded > kMaxParts) {
        std::snprintf(text, sizeof text,
                      "The disc is too large: its %d sectors need more than %d part files\n",
                      disc.sectorCount, kMaxParts);
        ui_.boxes.show(text);
        return 0;
    }

    const std::string prefix = partPrefix(root, gameNameHash(name), disc.gameId);
    TableContents table = readTableFile(tablePath(root));
    if (table.exists && !table.opened) {
        ui_.boxes.show("Cannot read the game table " + tablePath(root) + "\n");
        return 0;
    }
    std::vector<GameEntry> older;
    for (const GameEntry& record : table.records) {
        if (record.DisplayName() == name)
            older.push_back(record);
    }
    // Every question is asked before anything changes; one No ends the install.
    for (std::size_t i = 0; i < older.size(); ++i) {
        if (!ui_.boxes.ask("File " + name + " already exist,Continue?", false))
            return 0;
    }

    const std::set<std::string> oldFiles = existingFilesOf(root, older);
    const std::uint64_t imageBytes = std::uint64_t(disc.sectorCount) * DiscSource::kSectorSize;
    const std::optional<std::uint64_t> free = freeSpace_(root);
    if (!free) {
        ui_.boxes.show("Cannot find the free space of the target drive " + root + "\n");
        return 0;
    }
    if (imageBytes > *free + sizeOfFiles(oldFiles)) {
        std::snprintf(text, sizeof text,
                      "Not enough free space on the target drive: %.2fMB needed, %.2fMB free\n",
                      imageBytes / 1048576.0, *free / 1048576.0);
        ui_.boxes.show(text);
        return 0;
    }

    std::set<std::string> newFiles;
    for (int i = 0; i < partsNeeded; ++i)
        newFiles.insert(*partFilePath(prefix, i));
    std::string writePrefix = prefix;
    if (!older.empty() && imageBytes > *free) {
        // Only the space of the older installation makes room: it goes first,
        // as the user agreed, its files only once the table no longer lists it.
        RewriteResult removed = rewriteTable(root, dropNamed(name));
        if (!removed.replaced()) {
            ui_.status.setText("config file error\n");
            ui_.boxes.show("Cannot rewrite the game table " + tablePath(root) + "\n");
            return 0;
        }
        removeDroppedFiles(root, removed.dropped, {});
    } else {
        // The older installation stays whole until the new one is recorded.
        for (const std::string& path : oldFiles) {
            if (newFiles.count(path) != 0)
                writePrefix = prefix + kStagingSuffix;
        }
    }

    SplitImageWriter writer(ui_, parts_);
    int partCount = 0;
    bool copied = writer.copy(disc, writePrefix, partCount);
    source.close();
    if (!copied) {
        parts_.removeAll();
        return 0;
    }

    // The new record replaces every older one of the same name in one atomic
    // table write; until then the drive still lists what it listed before.
    GameTable added;
    bool recorded = added.addEntry(name, "zt." + disc.gameId, DiscSource::kSectorSize, dvdFlag,
                                   static_cast<std::uint8_t>(partCount & 0x0F), ui_.out);
    RewriteResult result;
    if (recorded)
        result = rewriteTable(root, dropNamed(name), added.entries());
    if (!recorded || !result.replaced()) {
        ui_.status.setText("config file error\n");
        parts_.removeAll();
        ui_.boxes.show("The game could not be added to the table " + tablePath(root) +
                       "; its copied files were removed\n");
        return 0;
    }

    bool renamed = true;
    if (writePrefix != prefix) {
        for (int i = 0; i < partCount; ++i) {
            if (!platform::replaceFile(*partFilePath(writePrefix, i), *partFilePath(prefix, i))) {
                renamed = false;
            }
        }
    }
    parts_.clear();
    removeDroppedFiles(root, result.dropped, newFiles);
    if (!renamed) {
        ui_.status.setText("\nCannot write file\n");
        ui_.boxes.show("Cannot write file");
        return 0;
    }
    ui_.out << "copy finished\n";
    return 1;
}
