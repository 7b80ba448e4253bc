#pragma once
// Files that already stand at the names of a new game's parts, that no
// record owns. What a stopped install or copy of the same name left (part
// .00 holds its disc's volume descriptor, and the parts fall short of that
// disc, or they are the same game; or an empty file) may be written over. Anything else is never
// written over: the parts of a whole game whose record was lost, a file that
// is no part of ours, a folder. A link is replaced itself, as every writer
// does, and what it names is never touched. The drive's check tells them apart and
// records a whole game again.

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "store/GameEntry.h"

namespace store {

struct TakenPartName {
    std::string path;  // empty: every name is free or holds a leftover
    bool wholeGame = false;
    std::string text;  // what stands there and what to do, for the user
    explicit operator bool() const { return !path.empty(); }
};

// Whether the file at a new part's name `path` (part `index`) is what a
// stopped install or copy of this same game left: it holds the start of
// what the part is to hold, or, for part .00, the same volume descriptor.
// Where part .00 is such a file, the parts after it are too.
using StartOfPart = std::function<bool(std::size_t index, const std::string& path)>;

// The first of `paths` (a new game's parts .00, .01, ... under their own
// names) that holds a file that `records` do not name and that must stay.
TakenPartName firstKeptFileAt(const std::string& root, const std::vector<std::string>& paths,
                              const std::vector<GameEntry>& records,
                              const StartOfPart& startOfPart = {});

}  // namespace store
