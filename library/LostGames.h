#pragma once
// Part files that no record names, judged by what they hold. Part .00 holds
// the disc's first sectors, its volume descriptor among them, and so the
// disc's size: parts that hold that much are a whole game that lost its
// record (a table replaced or lost, a command stopped between its last
// rename and its record), and are recorded again; parts that hold less are
// what a stopped install, copy or deletion left, and can go.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "store/GameEntry.h"

namespace library {

// A part file that no record names.
struct FoundPart {
    std::string path;      // its name: a part file's, or a staged one's
    std::string readFrom;  // where its bytes lie now; usually `path`
    std::uint64_t size = 0;
};

// A whole game without a record, and the record it gets.
struct LostGame {
    std::vector<std::string> parts;    // parts .00, .01, ... as they are named now
    std::vector<std::string> targets;  // their names under the new record
    std::uint64_t bytes = 0;
    std::int32_t volumeSectors = 0;  // 0: part .00 holds no volume descriptor
    store::GameEntry record;         // "Recovered <game ID>", media type from the size; unknown
                                     // (so listed as damaged) when the parts cannot be judged
    bool tornRecord = false;         // named by the torn record at the table's end
    bool judged() const { return volumeSectors != 0; }
};

struct UnownedParts {
    std::vector<LostGame> games;
    std::vector<std::string> leftovers;  // what a stopped command left: staged parts, and
                                         // parts shorter than their own volume says; sorted
    std::vector<std::string> unjudged;   // parts of a game whose part .00 is gone: kept; sorted
};

// The sectors of the disc whose part .00 is `firstPart`, as its volume
// descriptor says; nothing when sector 16 holds none.
std::optional<std::int32_t> discVolumeSectors(const std::string& firstPart);

// Media type of a game of this many bytes.
std::uint32_t mediaTypeForBytes(std::uint64_t bytes);

// Judges `parts`, none of which a record names. Parts that cannot be judged
// are never leftovers: the parts of a name hash whose part .00 holds no
// volume descriptor are recorded as a damaged game, and those whose part .00
// is gone are kept. A game is whole when its
// part .00 holds a volume descriptor and its parts, each before the last
// exactly 1 GiB, hold the volume less at most the sectors a disc may lack at
// its end. A game that is not whole on its own takes the parts it lacks from
// parts of the same game ID under another name hash or a staged name that no
// whole game took: a recovery or a replacement stopped half-way leaves a game
// split so. A recovered game is named "Recovered <ID>" (or with
// " 2", " 3", ... when that name is taken by a record in `takenNames`, by
// another game recovered here, or its files' names by other files).
UnownedParts judgeUnownedParts(const std::string& root, const std::vector<FoundPart>& parts,
                               const std::set<std::string>& takenNames);

// How many of `parts` (a game's parts .00, .01, ... in order, without a gap)
// make a whole game; 0 when they make none.
int wholeGameParts(const std::vector<FoundPart>& parts);

// Why a recorded game's parts, all present (.00, .01, ... in order), cannot
// hold the whole game: a part of 0 bytes, or parts that hold less than the
// disc whose volume descriptor part .00 holds (a copy cut short, a part that
// never reached the device). Empty when they may hold it, or cannot tell.
std::string shortPartsProblem(const std::vector<FoundPart>& parts);

// Gives the game's parts their names under its new record, in the order of
// their index, never replacing a file, and flushes the folder. A stop at
// any point leaves parts that are judged again as this game.
bool renameLostGame(const std::string& root, const LostGame& game);

}  // namespace library
