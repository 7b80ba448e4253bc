#pragma once
// Part files that are not in one piece. The console-side loader reads a part
// as one run of clusters, so a fragmented part does not load; such a part
// can be rewritten as a new file where the drive has one free run for it.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/FrontEnd.h"

// "zt." + 8 hex digits + "." + game ID + ".0" + digit: the name of a part file.
bool isPartFileName(const std::string& name);

// The names of the part files at a drive root, sorted.
std::vector<std::string> partFilesAt(const std::string& root);

// How many pieces the file of this name at the drive root is stored in;
// nothing, with the reason in `error`, when that cannot be found out.
using FragmentCounter =
    std::function<std::optional<int>(const std::string& fileName, std::string& error)>;

enum class RewriteResult {
    Rewritten,        // the part is now in one piece
    NoRoom,           // the drive has not the free space for a second copy
    StillFragmented,  // the copy would not be in one piece either; the part is unchanged
    Cancelled,
    Failed,
};

// Finishes what an interrupted rewrite left at `root`: a part moved aside
// whose copy never took its name is put back, one whose copy did is removed,
// and copies that never took a part's name are removed. Returns a line for
// each file it acted on.
std::vector<std::string> finishInterruptedRewrites(const std::string& root);

// Copies the part `fileName` at `root` to a new file, checks with `counter`
// that the copy is in one piece, and puts it in the part's place. Until then
// the part stays as it was; on every failure the copy is removed.
RewriteResult rewriteContiguous(const std::string& root, const std::string& fileName,
                                const FragmentCounter& counter, const FrontEnd& frontEnd);
