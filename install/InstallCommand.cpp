#include "install/InstallCommand.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "install/DiscInfo.h"
#include "install/DiscSource.h"
#include "install/IdentifyDisc.h"
#include "install/SplitImageWriter.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Volume.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/GameTable.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/ShownText.h"
#include "store/TableFile.h"
#include "store/TableRewrite.h"

namespace {

constexpr std::size_t kMaxNameLength = entry_layout::kDisplayNameSize - 1;
// New parts that would take the names of the files of the game they replace
// are written under a staging suffix and renamed once that game left the table.
constexpr const char* kStagingSuffix = kInstallStagingSuffix;
constexpr const char* kCancelled = "The install was cancelled; the drive is unchanged\n";

// What went wrong with a table write, with the system's reason.
std::string tableProblem(const RewriteResult& result, const std::string& table) {
    if (result.status == RewriteResult::Status::NotOpened)
        return "Cannot read the game table " + table;
    return "Cannot write the game table " + table + ": " + result.error;
}

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
// the files the new install has just written under the same names; says
// which could not be deleted.
void removeDroppedFiles(const std::string& root, const std::vector<GameEntry>& dropped,
                        const std::set<std::string>& keep, MessageBoxes& boxes) {
    std::string failed;
    for (const GameEntry& record : dropped) {
        for (const std::string& path : partFilesOf(root, record).paths) {
            if (keep.count(path) == 0 && !platform::removeFile(path))
                failed += "\n" + path + ": " + platform::lastErrorText();
        }
    }
    if (!failed.empty())
        boxes.show("These files of the former game could not be removed:" + failed + "\n");
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
        std::string text = "Source drive is invalid\n";
        // A source that cannot even be opened is named, with the reason.
        errno = 0;
        if (!source.open(args[1]) && errno != 0)
            text += escapeControls(args[1]) + ": " + platform::lastErrorText() + "\n";
        source.close();
        ui_.boxes.show(text);
        return 0;
    }
    {
        std::error_code error;
        if (!std::filesystem::is_directory(root, error)) {
            ui_.boxes.show("The drive folder " + escapeControls(root) + " cannot be opened: " +
                           (error ? error.message() : std::string("it is no folder")) + "\n");
            return 0;
        }
    }
    // One writer per drive: the drive is held until the install returns.
    DriveAccess changing = accessForChange(root, ui_);
    if (!changing.granted())
        return 0;

    // Everything that could keep the game from being recorded is checked
    // before anything on the target changes.
    char text[256];
    if (name.empty()) {
        ui_.boxes.show("The game has no name: type a name for it\n");
        return 0;
    }
    if (name.size() > kMaxNameLength) {
        ui_.boxes.show(
            "The game name is too long: a name has at most 31 bytes (a letter outside ASCII "
            "takes two or more)\n");
        return 0;
    }
    if (hasControlByte(name)) {
        ui_.boxes.show("The game name holds a control character: " + escapeControls(name) + "\n");
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
    const std::string table = tablePath(root);
    TableContents contents = readTableFile(table);
    if (contents.exists && !contents.opened) {
        ui_.boxes.show("Cannot read the game table " + table + "\n");
        return 0;
    }
    std::vector<GameEntry> older;
    std::set<std::string> keptFiles;
    for (const GameEntry& record : contents.records) {
        if (record.DisplayName() == name) {
            older.push_back(record);
        } else {
            for (const std::string& path : partFilesOf(root, record).paths)
                keptFiles.insert(path);
        }
    }
    std::set<std::string> newFiles;
    for (int i = 0; i < partsNeeded; ++i)
        newFiles.insert(*partFilePath(prefix, i));
    for (const std::string& path : newFiles) {
        if (keptFiles.count(path) != 0) {
            ui_.boxes.show("The file " + path + " belongs to another game on the drive\n");
            return 0;
        }
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
    // Files of this name and game ID that no record owns are left over from
    // a stopped install: their room counts as free.
    std::set<std::string> leftOver;
    for (int i = 0; i < kMaxParts; ++i) {
        for (const std::string& path :
             {*partFilePath(prefix, i), *partFilePath(prefix + kStagingSuffix, i)}) {
            if (oldFiles.count(path) == 0 && keptFiles.count(path) == 0 &&
                platform::regularFileSize(path))
                leftOver.insert(path);
        }
    }
    const std::uint64_t room = *free + sizeOfFiles(leftOver);
    if (imageBytes > room + sizeOfFiles(oldFiles)) {
        std::snprintf(text, sizeof text,
                      "Not enough free space on the target drive: %.2fMB needed, %.2fMB free\n",
                      imageBytes / 1048576.0, *free / 1048576.0);
        ui_.boxes.show(text);
        return 0;
    }

    // The leftovers go before anything is written, as the room check assumes.
    const std::string stagedPrefix = prefix + kStagingSuffix;
    for (const std::string& path : leftOver)
        platform::removeFile(path);

    Job job{root, name, {}, false};
    if (!older.empty() && imageBytes > room) {
        // Only the room of the older installation makes the new one fit: it
        // goes first, as the user agreed, its files once no record names them.
        if (!dropRecords(job))
            return 0;
        job.formerGone = true;
    } else {
        // The older installation stays whole until the table no longer lists
        // it; new parts that would take its files' names are staged.
        for (const std::string& path : oldFiles) {
            if (newFiles.count(path) != 0)
                job.writePrefix = stagedPrefix;
        }
    }
    if (job.writePrefix.empty())
        job.writePrefix = prefix;

    SplitImageWriter writer(ui_, parts_);
    int partCount = 0;
    bool copied = writer.copy(disc, job.writePrefix, partCount);
    source.close();
    if (!copied) {
        parts_.removeAll();
        if (ui_.progress.cancelRequested()) {
            if (job.formerGone) {
                ui_.boxes.show("The former game " + name +
                               " was removed to make room; the install was cancelled\n");
            } else {
                ui_.status.setText(kCancelled);
            }
        } else if (job.formerGone) {
            ui_.boxes.show("The former game " + name +
                           " was removed to make room; the install failed\n");
        }
        return 0;
    }

    GameTable added;
    if (!added.addEntry(name, "zt." + disc.gameId, DiscSource::kSectorSize, dvdFlag,
                        static_cast<std::uint8_t>(partCount & 0x0F), ui_.out)) {
        ui_.status.setText("config file error\n");
        return abandon(job, "The game could not be recorded");
    }
    // The parts' names reach the device before the table may name them.
    if (!platform::syncFolder(root))
        return abandon(job, "Cannot write data! " + root + ": " + platform::lastErrorText());

    if (job.writePrefix != prefix) {
        // The older game leaves the table, then its files go, then the new
        // parts take their names: at every moment the table names either the
        // old game with its own files or nothing.
        if (!dropRecords(job)) {
            parts_.removeAll();
            return 0;
        }
        job.formerGone = true;
        for (int i = 0; i < partCount; ++i) {
            std::string from = *partFilePath(job.writePrefix, i);
            std::string to = *partFilePath(prefix, i);
            if (!platform::replaceFile(from, to)) {
                return abandon(job, "Cannot write file " + to + ": " + platform::lastErrorText());
            }
            parts_.createdParts[static_cast<std::size_t>(i)] = to;
        }
        if (!platform::syncFolder(root))
            return abandon(job, "Cannot write data! " + root + ": " + platform::lastErrorText());
    }

    // The new record replaces every older one of the same name in one atomic
    // table write; until then the drive lists what it listed before.
    RewriteResult result = rewriteTable(root, dropNamed(name), added.entries());
    if (!result.replaced()) {
        ui_.status.setText("config file error\n");
        return abandon(job, tableProblem(result, table));
    }
    parts_.clear();
    removeDroppedFiles(root, result.dropped, newFiles, ui_.boxes);
    ui_.out << "copy finished\n";
    return 1;
}

bool InstallCommand::dropRecords(Job& job) {
    RewriteResult removed = rewriteTable(job.root, dropNamed(job.name));
    if (!removed.replaced()) {
        ui_.status.setText("config file error\n");
        ui_.boxes.show(tableProblem(removed, tablePath(job.root)) + "; the drive is unchanged\n");
        return false;
    }
    removeDroppedFiles(job.root, removed.dropped, {}, ui_.boxes);
    return true;
}

int InstallCommand::abandon(const Job& job, const std::string& why) {
    parts_.removeAll();
    std::string text = why + "; its copied files were removed";
    if (job.formerGone)
        text += ", and the former game " + job.name + " is gone";
    ui_.boxes.show(text + "\n");
    return 0;
}
