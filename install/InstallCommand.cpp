#include "install/InstallCommand.h"

#include <algorithm>
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
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "report/ShownText.h"
#include "report/SpaceText.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/GameReplacement.h"
#include "store/GameTable.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"
#include "store/TableRewrite.h"
#include "store/TakenPartNames.h"
#include "store/VolumeDescriptor.h"

namespace install {

using namespace platform;
using namespace store;
using namespace report;

namespace {

constexpr std::size_t kMaxNameLength = entry_layout::kDisplayNameSize - 1;
constexpr const char* kCancelled = "The install was cancelled; the drive is unchanged\n";
constexpr const char* kCancelledNotRemoved =
    "The install was cancelled; what it wrote could not all be removed\n";

// What went wrong with a table write, with the system's reason.
std::string tableProblem(const RewriteResult& result, const std::string& table) {
    const std::string& reason = result.failure().reason;
    if (result.failedAt(TableRewriteStep::NotOpened))
        return "The game table " + table + " cannot be read (" + reason + ")";
    if (result.failedAt(TableRewriteStep::NotFlushed))
        return tableNotFlushedText(table, reason);
    return "Cannot write the game table " + table + ": " + reason;
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
    std::filesystem::space_info info = std::filesystem::space(platform::fsPath(root), error);
    if (error)
        return std::nullopt;
    return info.available;
}

std::uint64_t sizeOfFiles(const std::set<std::string>& paths) {
    std::uint64_t total = 0;
    for (const std::string& path : paths) {
        std::error_code error;
        std::uintmax_t size = std::filesystem::file_size(platform::fsPath(path), error);
        if (!error)
            total += size;
    }
    return total;
}

// Says that the table without the older game could not be put in place.
void formerNotDropped(const RewriteResult& removed, const std::string& root, FrontEnd& ui) {
    ui.status.setText("config file error\n");
    const bool unchanged = !removed.failedAt(TableRewriteStep::NotFlushed);
    ui.boxes.show(tableProblem(removed, tablePath(root)) +
                  (unchanged ? "; the drive is unchanged\n" : "\n"));
}

// Says which files of the former game could not be deleted.
void showUnremoved(const std::vector<std::string>& unremoved, MessageBoxes& boxes) {
    std::string failed;
    for (const std::string& problem : unremoved)
        failed += "\n" + problem;
    if (!failed.empty())
        boxes.show("These files of the former game could not be removed:" + failed + "\n");
}

// Identifies the disc; when it cannot, says so and why: the system's reason
// for a source that cannot be opened, else what the identification found.
bool identifySource(DiscSource& source, const std::string& path, DiscInfo& disc, FrontEnd& ui) {
    IdentifyResult identified = identifyDisc(source, path, ui.status);
    if (identified) {
        disc = identified.value();
        return true;
    }
    ui.boxes.show("Source drive is invalid\n" + identified.failure().reason);
    return false;
}

bool driveFolderOpens(const std::string& root, MessageBoxes& boxes) {
    std::error_code error;
    if (std::filesystem::is_directory(platform::fsPath(root), error))
        return true;
    boxes.show("The drive folder " + escapeControls(root) + " cannot be opened: " +
               (error ? error.message() : std::string("it is no folder")) + "\n");
    return false;
}

std::int64_t partsNeededFor(const DiscInfo& disc) {
    return (std::int64_t{disc.sectorCount} + SplitImageWriter::kPartSectors - 1) /
           SplitImageWriter::kPartSectors;
}

// Whether the game can be recorded: its name, its game ID and its size.
bool recordable(const std::string& name, const DiscInfo& disc, MessageBoxes& boxes) {
    char text[256];
    if (name.empty()) {
        boxes.show("The game has no name: type a name for it\n");
        return false;
    }
    if (name.size() > kMaxNameLength) {
        boxes.show(
            "The game name is too long: a name has at most 31 bytes (a letter outside ASCII "
            "takes two or more)\n");
        return false;
    }
    if (hasControlByte(name)) {
        boxes.show("The game name holds a control character: " + escapeControls(name) + "\n");
        return false;
    }
    if (!isValidGameId(disc.gameId)) {
        std::snprintf(text, sizeof text,
                      "The game ID \"%s\" on the disc cannot be used: a game ID has 1 to 11 "
                      "letters, digits, '_', '.' or '-'\n",
                      printable(disc.gameId).c_str());
        boxes.show(text);
        return false;
    }
    if (partsNeededFor(disc) > kMaxParts) {
        std::snprintf(text, sizeof text,
                      "The disc is too large: its %d sectors need more than %d part files\n",
                      disc.sectorCount, kMaxParts);
        boxes.show(text);
        return false;
    }
    return true;
}

// What the new game replaces on the drive; nothing when the table cannot be
// read, a part's name belongs to another game, or the user says No.
// Whether the file `path` holds the disc's volume descriptor where part .00
// does: what a stopped install of this same disc left.
bool sameDescriptor(const std::string& path, const DiscInfo& disc) {
    const std::optional<std::vector<std::uint8_t>> held = platform::readRegularFileAt(
        path, std::uint64_t{kDescriptorSector} * kDiscSectorBytes, kDiscSectorBytes);
    if (!held || held->size() != kDiscSectorBytes || disc.source == nullptr)
        return false;
    const std::uint8_t* sector = disc.source->readSector(kDescriptorSector, disc.sectorCount);
    return sector != nullptr && std::equal(held->begin(), held->end(), sector);
}

std::optional<GameReplacement> planReplacement(const std::string& root, const std::string& name,
                                               const std::string& prefix, const DiscInfo& disc,
                                               MessageBoxes& boxes) {
    const std::int64_t parts = partsNeededFor(disc);
    const std::string table = tablePath(root);
    TableContents contents = readTableFile(table);
    if (!contents.changeable()) {
        boxes.show(tableNotReadText(table, contents) + "\n");
        return std::nullopt;
    }
    std::vector<std::string> newPaths;
    for (int i = 0; i < parts; ++i)
        newPaths.push_back(*partFilePath(prefix, i));
    GameReplacement replacement(root, name, contents.records, newPaths);
    const std::string owned = replacement.partOwnedByKeptGame();
    if (!owned.empty()) {
        boxes.show("The file " + owned + " belongs to another game on the drive\n");
        return std::nullopt;
    }
    // A file that no record owns is written over only where a stopped install
    // of this game left it.
    const StartOfPart installStopped = [&disc](std::size_t index, const std::string& path) {
        return index == 0 && sameDescriptor(path, disc);
    };
    if (const TakenPartName taken =
            firstKeptFileAt(root, newPaths, contents.records, installStopped)) {
        boxes.show(taken.text + "\n");
        return std::nullopt;
    }
    // Every question is asked before anything changes; one No ends the install.
    for (std::size_t i = 0; i < replacement.replaced().size(); ++i) {
        if (!boxes.ask("File " + name + " already exist,Continue?", false))
            return std::nullopt;
    }
    return replacement;
}

// Removes the older game before the copy, when only its room lets the new one fit.
bool makeRoom(GameReplacement& replacement, FrontEnd& ui) {
    std::vector<std::string> unremoved;
    RewriteResult removed = replacement.makeRoom(unremoved);
    if (!removed) {
        formerNotDropped(removed, replacement.root(), ui);
        return false;
    }
    showUnremoved(unremoved, ui.boxes);
    return true;
}

}  // namespace

InstallCommand::InstallCommand(FrontEnd& ui, DiscOpener opener, FreeSpace freeSpace)
    : said_(ui.boxes),
      ui_{ui.status, said_, ui.progress, ui.out},
      opener_(std::move(opener)),
      freeSpace_(freeSpace ? std::move(freeSpace) : FreeSpace(spaceAvailable)) {}

int InstallCommand::run(const std::vector<std::string>& args) {
    parts_.currentPartFile.abandon();
    parts_.clear();
    if (args.size() != 5) {
        ui_.out << kUsage;
        return 0;
    }
    Media media = Media::Cd;
    if (equalsIgnoringCase(args[4], "DVD")) {
        media = Media::Dvd;
    } else if (!equalsIgnoringCase(args[4], "CD")) {
        ui_.out << "enter CD or DVD mode\n";
        return 0;
    }
    return install(InstallRequest{args[1], args[2], args[3], media}) ? 1 : 0;
}

InstallResult InstallCommand::install(const InstallRequest& request) {
    parts_.currentPartFile.abandon();
    parts_.clear();
    said_.forget();
    const std::optional<InstallStep> stopped = attempt(request);
    if (!stopped)
        return {};
    std::string object = request.name;
    if (*stopped == InstallStep::Source)
        object = request.source;
    else if (*stopped == InstallStep::Drive || *stopped == InstallStep::Room)
        object = normalizeRoot(request.root);
    return Failure<InstallStep>{*stopped, object, said_.last()};
}

std::optional<InstallStep> InstallCommand::attempt(const InstallRequest& request) {
    const std::uint8_t dvdFlag = request.media == Media::Dvd ? 1 : 0;
    const std::string root = normalizeRoot(request.root);
    const std::string& name = request.name;

    DiscSource source(ui_.status, opener_);
    DiscInfo disc;
    if (!identifySource(source, request.source, disc, ui_))
        return InstallStep::Source;
    if (!driveFolderOpens(root, ui_.boxes))
        return InstallStep::Drive;
    // One writer per drive: the drive is held until the install returns.
    DriveAccess changing = accessForChange(root, ui_);
    if (!changing.granted())
        return InstallStep::Drive;
    // Everything that could keep the game from being recorded is checked
    // before anything on the target changes.
    if (!recordable(name, disc, ui_.boxes))
        return InstallStep::Game;
    const std::string prefix = partPrefix(root, gameNameHash(name), disc.gameId);
    std::optional<GameReplacement> replacement =
        planReplacement(root, name, prefix, disc, ui_.boxes);
    if (!replacement)
        return InstallStep::Replace;
    GameEntry expected;
    expected.setDisplayName(name);
    expected.setImageFileName("zt." + disc.gameId);
    expected.setPartCount(static_cast<std::uint8_t>(partsNeededFor(disc)));
    expected.setMediaType(dvdFlag != 0 ? kMediaDvd : kMediaCd);
    expected.setSectorSize(DiscSource::kSectorSize);
    if (!prepareRoom(*replacement, expected, prefix, disc))
        return InstallStep::Room;
    return copyAndRecord(source, disc, *replacement, prefix, dvdFlag);
}

bool InstallCommand::prepareRoom(GameReplacement& replacement, const GameEntry& expected,
                                 const std::string& prefix, const DiscInfo& disc) {
    const std::string& root = replacement.root();
    const std::set<std::string> oldFiles = replacement.replacedFiles();
    const std::uint64_t imageBytes = std::uint64_t(disc.sectorCount) * DiscSource::kSectorSize;
    const std::optional<std::uint64_t> free = freeSpace_(root);
    if (!free) {
        ui_.boxes.show("Cannot find the free space of the target drive " + root + "\n");
        return false;
    }
    // Files of this name and game ID that no record owns are left over from
    // a stopped install: their room counts as free.
    std::set<std::string> leftOver;
    for (int i = 0; i < kMaxParts; ++i) {
        const std::string path = *partFilePath(prefix, i);
        for (const std::string& file : {path, stagedPartPath(path)}) {
            if (oldFiles.count(file) == 0 && !replacement.keptOwns(file) &&
                platform::regularFileSize(file))
                leftOver.insert(file);
        }
    }
    const std::uint64_t room = *free + sizeOfFiles(leftOver);
    if (imageBytes > room + sizeOfFiles(oldFiles)) {
        ui_.boxes.show("Not enough free space on the target drive: " + neededMegabytes(imageBytes) +
                       " needed, " + freeMegabytes(*free) + " free\n");
        return false;
    }
    // The leftovers go before anything is written, as the room check assumes.
    for (auto it = leftOver.rbegin(); it != leftOver.rend(); ++it)
        platform::removeFile(*it);  // the last part first, as every removal
    if (!replacement.announce(expected)) {
        ui_.boxes.show("Cannot write data! " + root + ": " + platform::lastErrorText() +
                       "; the drive is unchanged\n");
        return false;
    }
    // Only the room of the older installation makes the new one fit: it goes
    // first, as the user agreed, its files once no record names them.
    return replacement.replaced().empty() || imageBytes <= room || makeRoom(replacement, ui_);
}

std::optional<InstallStep> InstallCommand::copyAndRecord(DiscSource& source, const DiscInfo& disc,
                                                         GameReplacement& replacement,
                                                         const std::string& prefix,
                                                         std::uint8_t dvdFlag) {
    const std::string& name = replacement.name();
    SplitImageWriter writer(ui_, parts_);
    int partCount = 0;
    auto partName = [&replacement](int index) -> std::optional<std::string> {
        if (index < 0 || static_cast<std::size_t>(index) >= replacement.partPaths().size())
            return std::nullopt;
        return replacement.writePath(static_cast<std::size_t>(index));
    };
    bool copied = writer.copy(disc, partName, prefix, partCount);
    source.close();
    if (!copied) {
        parts_.removeAll();
        replacement.withdraw();
        if (ui_.progress.cancelRequested()) {
            if (replacement.formerGone()) {
                ui_.boxes.show("The former game " + name +
                               " was removed to make room; the install was cancelled\n");
            } else if (parts_.left.empty()) {
                ui_.status.setText(kCancelled);
            } else {
                ui_.status.setText(kCancelledNotRemoved);
            }
        } else if (replacement.formerGone()) {
            ui_.boxes.show("The former game " + name +
                           " was removed to make room; the install failed\n");
        }
        return InstallStep::Copy;
    }

    GameTable added;
    if (!added.addEntry(name, "zt." + disc.gameId, DiscSource::kSectorSize, dvdFlag,
                        static_cast<std::uint8_t>(partCount & 0x0F), ui_.out)) {
        ui_.status.setText("config file error\n");
        abandon(replacement, "The game could not be recorded");
        return InstallStep::Record;
    }
    if (finish(replacement, added.entries().front()) != 1)
        return InstallStep::Record;
    return std::nullopt;
}

int InstallCommand::finish(GameReplacement& replacement, const GameEntry& added) {
    const std::string& root = replacement.root();
    const std::string table = tablePath(root);
    ReplacementResult result = replacement.finish(added);
    showUnremoved(result.unremoved, ui_.boxes);
    if (result.pending) {
        // The drive's intent file holds the rest; its parts are complete.
        parts_.clear();
        ui_.status.setText("config file error\n");
        const bool tableStep = result.step == ReplacementResult::Step::TableNotWritten ||
                               result.step == ReplacementResult::Step::FormerNotDropped;
        const std::string why = tableStep ? tableProblem(result.table, table)
                                          : "Cannot write data! " + root + ": " + result.reason;
        ui_.boxes.show(why + "; the next command that opens the drive finishes the install\n");
        return 0;
    }
    switch (result.step) {
        case ReplacementResult::Step::Done:
            parts_.clear();
            ui_.out << "copy finished\n";
            return 1;
        case ReplacementResult::Step::NotFlushed:
        case ReplacementResult::Step::RenamedNotFlushed:
            return abandon(replacement, "Cannot write data! " + root + ": " + result.reason);
        case ReplacementResult::Step::FormerNotDropped:
            formerNotDropped(result.table, root, ui_);
            parts_.removeAll();
            return 0;
        case ReplacementResult::Step::NotRenamed:
            return abandon(replacement, "Cannot write file " + result.to + ": " + result.reason);
        case ReplacementResult::Step::TableNotWritten:
            break;
    }
    ui_.status.setText("config file error\n");
    if (!result.table.failedAt(TableRewriteStep::NotFlushed))
        return abandon(replacement, tableProblem(result.table, table));
    parts_.clear();  // the table names them now
    ui_.boxes.show(tableProblem(result.table, table) + "\n");
    return 0;
}

int InstallCommand::abandon(const GameReplacement& replacement, const std::string& why) {
    parts_.currentPartFile.abandon();
    parts_.clear();
    replacement.discardNewParts();
    std::string text = why + "; its copied files were removed";
    if (replacement.formerGone())
        text += ", and the former game " + replacement.name() + " is gone";
    ui_.boxes.show(text + "\n");
    return 0;
}

}  // namespace install
