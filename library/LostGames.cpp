#include "library/LostGames.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>

#include "library/InstalledImage.h"
#include "platform/FileTransfer.h"
#include "platform/Files.h"
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/VolumeDescriptor.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

namespace {

// The install takes CD or DVD from the user, not from the disc, so a game's
// size is all that tells its media type afterwards. The longest CD made
// (99 minutes) holds 445500 sectors; a game larger than that, with some
// room, cannot be a CD image.
constexpr std::uint64_t kLargestCdBytes = std::uint64_t{450000} * kDiscSectorBytes;

// More games of one ID than any drive holds under the recovered name.
constexpr int kMaxRecoveredNames = 99;

// The parts found under one name hash and game ID, staged or not.
struct Unit {
    std::string gameId;
    std::map<int, const FoundPart*> parts;  // by index
};
using UnitKey = std::tuple<std::string, std::string, bool>;  // game ID, hash, staged

std::optional<std::int32_t> volumeOf(const FoundPart& first) {
    return discVolumeSectors(first.readFrom);
}

// Parts .00, .01, ... of the game that starts with `anchor`'s part .00: its
// own where it has them, else a donor's (a unit of the same game ID), never
// one that another game took. Ends after the first part shorter than 1 GiB.
std::vector<const FoundPart*> chainOf(const Unit& anchor, const std::vector<const Unit*>& donors,
                                      const std::set<const FoundPart*>& used) {
    std::vector<const FoundPart*> chain;
    for (int i = 0; i < kMaxParts; ++i) {
        const FoundPart* part = nullptr;
        if (auto own = anchor.parts.find(i);
            own != anchor.parts.end() && used.count(own->second) == 0)
            part = own->second;
        for (auto donor = donors.begin(); part == nullptr && donor != donors.end(); ++donor) {
            auto found = (*donor)->parts.find(i);
            if (found != (*donor)->parts.end() && used.count(found->second) == 0)
                part = found->second;
        }
        // No install writes an empty part or one over 1 GiB.
        if (part == nullptr || part->size == 0 || part->size > kPartBytes)
            break;
        chain.push_back(part);
        if (part->size < kPartBytes)
            break;
    }
    return chain;
}

bool holdsVolume(const std::vector<const FoundPart*>& chain, std::int32_t volume) {
    std::uint64_t bytes = 0;
    for (const FoundPart* part : chain)
        bytes += part->size;
    const std::int32_t needed = volume > kMissableEndSectors ? volume - kMissableEndSectors : 0;
    return !chain.empty() && bytes >= std::uint64_t(needed) * kDiscSectorBytes;
}

// Names the game "Recovered <ID>", or the first numbered name that no record
// bears and whose files' names are free or already the game's own.
bool nameGame(const std::string& root, const std::string& id, std::set<std::string>& takenNames,
              std::set<std::string>& plannedTargets, LostGame& game) {
    for (int k = 1; k <= kMaxRecoveredNames; ++k) {
        const std::string name = "Recovered " + id + (k > 1 ? " " + std::to_string(k) : "");
        if (takenNames.count(name) != 0)
            continue;
        const std::string prefix = partPrefix(root, gameNameHash(name), id);
        std::vector<std::string> targets;
        bool free = true;
        for (std::size_t i = 0; i < game.parts.size(); ++i) {
            targets.push_back(*partFilePath(prefix, static_cast<int>(i)));
            const bool own =
                std::find(game.parts.begin(), game.parts.end(), targets.back()) != game.parts.end();
            free = free && (own || (!platform::pathTaken(targets.back()) &&
                                    plannedTargets.count(targets.back()) == 0));
        }
        if (!free)
            continue;
        takenNames.insert(name);
        plannedTargets.insert(targets.begin(), targets.end());
        game.targets = targets;
        game.record.setDisplayName(name);
        game.record.setImageFileName("zt." + id);
        game.record.setPartCount(static_cast<std::uint8_t>(game.parts.size()));
        // A disc may lack a few sectors at its end; its volume says its size.
        game.record.setMediaType(mediaTypeForBytes(
            std::max(game.bytes, std::uint64_t(game.volumeSectors) * kDiscSectorBytes)));
        game.record.setSectorSize(kDiscSectorBytes);
        return true;
    }
    return false;
}

// A part .00 long enough to hold a volume descriptor that holds none: what
// its game is, the check cannot tell. One too short to reach sector 16 is
// shorter than any disc, so what a stopped install left.
bool unjudgeable(const FoundPart& first) {
    return first.size > std::uint64_t{kDescriptorSector} * kDiscSectorBytes && !volumeOf(first);
}

// Records the parts of each name hash whose part .00 holds no volume
// descriptor, as they lie from part .00 on without a gap, as a game of an
// unknown media type: listed as damaged, removed only by the user's delete.
void recordUnjudged(const std::string& root, const std::map<UnitKey, Unit>& units,
                    std::set<const FoundPart*>& used, std::set<std::string>& names,
                    std::set<std::string>& plannedTargets, UnownedParts& judged) {
    for (const auto& [key, unit] : units) {
        if (std::get<2>(key) || unit.parts.count(0) == 0 || used.count(unit.parts.at(0)) != 0 ||
            !unjudgeable(*unit.parts.at(0)))
            continue;
        LostGame game;
        for (int i = 0; i < kMaxParts; ++i) {
            auto part = unit.parts.find(i);
            if (part == unit.parts.end() || used.count(part->second) != 0)
                break;
            game.parts.push_back(part->second->path);
            game.bytes += part->second->size;
            used.insert(part->second);
        }
        if (nameGame(root, unit.gameId, names, plannedTargets, game)) {
            game.record.setMediaType(0);
            judged.games.push_back(game);
        }
    }
}

}  // namespace

std::optional<std::int32_t> discVolumeSectors(const std::string& firstPart) {
    const std::optional<std::vector<std::uint8_t>> sector = platform::readRegularFileAt(
        firstPart, std::uint64_t{kDescriptorSector} * kDiscSectorBytes, kDiscSectorBytes);
    if (!sector || sector->size() != kDiscSectorBytes)
        return std::nullopt;
    return volumeSectors(sector->data());
}

std::uint32_t mediaTypeForBytes(std::uint64_t bytes) {
    return bytes > kLargestCdBytes ? kMediaDvd : kMediaCd;
}

UnownedParts judgeUnownedParts(const std::string& root, const std::vector<FoundPart>& parts,
                               const std::set<std::string>& takenNames) {
    std::map<UnitKey, Unit> units;
    for (const FoundPart& part : parts) {
        const std::string name = platform::pathText(platform::fsPath(part.path).filename());
        if (std::optional<PartFileName> parsed = parsePartFileName(name)) {
            Unit& unit = units[{parsed->gameId, parsed->hash, parsed->staged}];
            unit.gameId = parsed->gameId;
            unit.parts.emplace(parsed->index, &part);
        }
    }
    UnownedParts judged;
    std::set<const FoundPart*> used;
    std::set<std::string> names = takenNames;
    std::set<std::string> plannedTargets;
    // Games whole on their own first; then those that need another unit's
    // unused parts (a recovery or replacement stopped half-way).
    for (bool borrowing : {false, true}) {
        for (const auto& [key, anchor] : units) {
            std::optional<std::int32_t> volume;
            if (anchor.parts.count(0) == 0 || used.count(anchor.parts.at(0)) != 0 ||
                !(volume = volumeOf(*anchor.parts.at(0))))
                continue;
            std::vector<const Unit*> donors;
            for (const auto& [otherKey, other] : units) {
                if (borrowing && otherKey != key && other.gameId == anchor.gameId)
                    donors.push_back(&other);
            }
            const std::vector<const FoundPart*> chain = chainOf(anchor, donors, used);
            if (!holdsVolume(chain, *volume))
                continue;
            LostGame game;
            game.volumeSectors = *volume;
            for (const FoundPart* part : chain) {
                game.parts.push_back(part->path);
                game.bytes += part->size;
                used.insert(part);  // a game that no name fits is left as it is
            }
            if (nameGame(root, anchor.gameId, names, plannedTargets, game))
                judged.games.push_back(game);
        }
    }
    recordUnjudged(root, units, used, names, plannedTargets, judged);
    for (const auto& [key, unit] : units) {
        for (const auto& [index, part] : unit.parts) {
            if (used.count(part) != 0)
                continue;
            // Only a part of our own staged name, or one beside a part .00 whose
            // volume it falls short of, is known to be what a command left.
            // The part .00 that speaks for them: their own, else the staged
            // (or unstaged) one under the same name that a replacement left.
            const Unit* first = &unit;
            if (unit.parts.count(0) == 0) {
                auto twin = units.find({std::get<0>(key), std::get<1>(key), !std::get<2>(key)});
                first = twin == units.end() ? nullptr : &twin->second;
            }
            const bool stray =
                std::get<2>(key) || (first != nullptr && first->parts.count(0) != 0 &&
                                     !unjudgeable(*first->parts.at(0)));
            (stray ? judged.leftovers : judged.unjudged).push_back(part->path);
        }
    }
    std::sort(judged.leftovers.begin(), judged.leftovers.end());
    std::sort(judged.unjudged.begin(), judged.unjudged.end());
    return judged;
}

int wholeGameParts(const std::vector<FoundPart>& parts) {
    Unit unit;
    for (std::size_t i = 0; i < parts.size(); ++i)
        unit.parts.emplace(static_cast<int>(i), &parts[i]);
    std::optional<std::int32_t> volume;
    if (parts.empty() || !(volume = volumeOf(parts[0])))
        return 0;
    const std::vector<const FoundPart*> chain = chainOf(unit, {}, {});
    return holdsVolume(chain, *volume) ? static_cast<int>(chain.size()) : 0;
}

std::string shortPartsProblem(const std::vector<FoundPart>& parts) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].size == 0)
            return "part .0" + std::to_string(i) + " is empty";
    }
    const std::optional<std::int32_t> volume = parts.empty() ? std::nullopt : volumeOf(parts[0]);
    if (!volume || wholeGameParts(parts) == static_cast<int>(parts.size()))
        return {};
    std::uint64_t bytes = 0;
    for (const FoundPart& part : parts)
        bytes += part.size;
    return "its parts hold " + std::to_string(bytes / kDiscSectorBytes) + " of the " +
           std::to_string(*volume) + " sectors of its disc";
}

bool renameLostGame(const std::string& root, const LostGame& game) {
    for (std::size_t i = 0; i < game.parts.size() && i < game.targets.size(); ++i) {
        // Stopping at the first failure keeps the renamed parts a prefix of
        // the game, as the judgement expects.
        if (game.parts[i] != game.targets[i] &&
            platform::renameNoReplace(game.parts[i], game.targets[i]) !=
                platform::RenameResult::Renamed)
            return false;
    }
    return platform::syncFolder(root);
}

}  // namespace library
