// zt_games frag TARGET [VOLUME] [--yes]
// TARGET is a mounted drive root, or an unmounted volume (a partition, a disk
// or an image). A mounted drive is asked through the file system (FIEMAP);
// where that cannot tell (Linux's vfat, a FUSE mount), the FAT of the device
// beneath it is read directly: VOLUME when given, else the device the mount
// table names. --yes rewrites fragmented parts of a mounted drive.
#include <algorithm>
#include <filesystem>

#include "cli/ExitCode.h"
#include "cli/GamesCommands.h"
#include "disk/Fat32Reader.h"
#include "library/PartFragments.h"
#include "platform/Drives.h"
#include "platform/FileExtents.h"
#include "platform/PathText.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"

namespace cli {

using namespace disk;
using namespace library;
using namespace platform;
using namespace store;
using namespace report;

namespace {

struct PartState {
    std::string name;
    int fragments = 0;
    bool broken = false;
};

// The part files of a volume read through its FAT, or where reading stopped.
store::Result<std::vector<PartState>, Fat32Step> partsFromVolume(const std::string& volume) {
    DiskDevice device;
    Fat32Reader reader;
    store::Outcome<Fat32Step> opened = openFat32Volume(device, volume);
    if (opened)
        opened = reader.open(device);
    if (!opened)
        return opened.failure();
    const store::Result<std::vector<FatFile>, Fat32Step> files = reader.rootFiles();
    if (!files)
        return files.failure();
    std::vector<PartState> parts;
    for (const FatFile& file : files.value()) {
        if (file.directory)
            continue;
        ClusterChain chain = reader.chainOf(file.firstCluster, file.size);
        PartState state{file.name, static_cast<int>(chain.runs.size()), chain.broken};
        parts.push_back(state);
    }
    return parts;
}

// A counter that asks the file system, or, when a volume is named, its FAT.
FragmentCounter counterFor(const std::string& root, const std::string& volume) {
    if (volume.empty()) {
        return [root](const std::string& name) -> FragmentCount {
            std::string error;
            if (std::optional<int> pieces = platform::fileFragments(root + name, error))
                return *pieces;
            return Failure<FragmentCountStep>{FragmentCountStep::Ask, root + name, error};
        };
    }
    return [root, volume](const std::string& name) -> FragmentCount {
        platform::syncFileSystem(root);  // the FAT beneath must show what was written
        const store::Result<std::vector<PartState>, Fat32Step> files = partsFromVolume(volume);
        if (!files)
            return Failure<FragmentCountStep>{FragmentCountStep::Volume, volume,
                                              files.failure().reason};
        for (const PartState& file : files.value()) {
            if (file.name == name) {
                if (file.broken)
                    return Failure<FragmentCountStep>{FragmentCountStep::Chain, root + name,
                                                      "its cluster chain is broken"};
                return file.fragments;
            }
        }
        return Failure<FragmentCountStep>{FragmentCountStep::Absent, root + name,
                                          "the volume " + volume +
                                              " does not hold it; is it the volume mounted at " +
                                              root + "?"};
    };
}

// The volume whose FAT tells where the parts of `root` lie: none while the
// file system answers for the first part, else the device of its mount.
std::string volumeBeneath(const std::string& root, const std::vector<std::string>& names) {
    std::string error;
    if (names.empty() || platform::fileFragments(root + names.front(), error))
        return "";
    return platform::deviceHolding(root);
}

// The part files of a mounted drive, each with its count of pieces. What a
// stopped rewrite left is named first, and with --yes put right; without it
// the drive is only read. False when a part cannot be judged (said why).
// An empty `volume` becomes the device beneath the drive where its file
// system does not tell.
bool partsOfMountedDrive(const std::string& root, std::string& volume, bool rewrite,
                         FrontEnd& frontEnd, std::vector<PartState>& parts, bool& leftoversFound) {
    if (rewrite) {
        for (const std::string& line : finishInterruptedRewrites(root))
            frontEnd.out << printableText(line) << '\n';
    } else {
        for (const RewriteLeftover& leftover : interruptedRewrites(root)) {
            frontEnd.out << printableText(leftover.text) << '\n';
            leftoversFound = true;
        }
    }
    const platform::FolderListing listing = partFilesAt(root);
    if (!listing) {
        frontEnd.boxes.show("The drive's folder " + printableText(root) +
                            " cannot be read: " + listing.error + ".");
        return false;
    }
    const std::vector<std::string>& names = listing.names;
    if (volume.empty())
        volume = volumeBeneath(root, names);
    FragmentCounter counter = counterFor(root, volume);
    for (const std::string& name : names) {
        const FragmentCount pieces = counter(name);
        if (!pieces) {
            frontEnd.boxes.show("Cannot tell whether " + printableText(root + name) +
                                " is in one piece: " + pieces.failure().reason +
                                (volume.empty() ? "; name the volume's device or image "
                                                  "after the folder."
                                                : "."));
            return false;
        }
        parts.push_back({name, pieces.value(), false});
    }
    return true;
}

}  // namespace

int fragCommand(const std::vector<std::string>& ops, bool rewrite, FrontEnd frontEnd) {
    const std::string target = ops[1];
    std::string volume = ops.size() > 2 ? ops[2] : "";
    std::error_code statusError;
    const bool mounted = std::filesystem::is_directory(platform::fsPath(target), statusError);
    std::vector<PartState> parts;
    bool leftoversFound = false;
    DriveAccess held;  // a mounted drive is held from the first look to the last rewrite
    if (!mounted) {
        if (rewrite) {
            frontEnd.boxes.show(
                "Fragmented parts are rewritten on a mounted drive: name its "
                "folder, and this volume after it.");
            return kExitUsage;
        }
        store::Result<std::vector<PartState>, Fat32Step> read = partsFromVolume(target);
        if (!read) {
            frontEnd.boxes.show("The volume " + printableText(target) +
                                " cannot be read: " + read.failure().reason + ".");
            return kExitCannotTell;
        }
        parts = std::move(read).value();
        parts.erase(std::remove_if(parts.begin(), parts.end(),
                                   [](const PartState& p) { return !isPartFileName(p.name); }),
                    parts.end());
    } else {
        const std::string root = normalizeRoot(target);
        held = rewrite ? accessForChange(root, frontEnd) : accessForReading(root, frontEnd);
        if (!held.granted() ||
            !partsOfMountedDrive(root, volume, rewrite, frontEnd, parts, leftoversFound))
            return kExitCannotTell;
    }

    int fragmented = 0;
    int rewritten = 0;
    bool allWhole = !leftoversFound;
    for (const PartState& part : parts) {
        if (part.broken) {
            frontEnd.out << printableText(part.name) << ": its cluster chain is broken\n";
            allWhole = false;
            continue;
        }
        if (part.fragments <= 1)
            continue;
        ++fragmented;
        frontEnd.out << printableText(part.name) << ": " << part.fragments << " fragments\n";
        if (!rewrite) {
            allWhole = false;
            continue;
        }
        const std::string root = normalizeRoot(target);
        RewriteResult result =
            rewriteContiguous(root, part.name, counterFor(root, volume), frontEnd);
        if (result) {
            frontEnd.out << printableText(part.name) << ": rewritten in one piece\n";
            ++rewritten;
        } else {
            allWhole = false;
            if (result.failedAt(RewriteStep::Cancelled))
                break;
        }
    }
    frontEnd.out << parts.size() << " part files, " << fragmented << " not in one piece";
    if (rewrite)
        frontEnd.out << ", " << rewritten << " rewritten";
    frontEnd.out << "\n";
    return allWhole ? kExitSuccess : kExitFailure;
}

}  // namespace cli
