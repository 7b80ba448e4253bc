#pragma once
// Part files that are not in one piece. The console-side loader reads a part
// as one run of clusters, so a fragmented part does not load; such a part
// can be rewritten as a new file where the drive has one free run for it.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FolderListing.h"
#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

// "zt." + 8 hex digits + "." + game ID + ".0" + digit: the name of a part file.
bool isPartFileName(const std::string& name);

// The names of the part files (plain files, never links) at a drive root,
// sorted; not `complete` when the root could not be read in full.
platform::FolderListing partFilesAt(const std::string& root);

// Why the pieces of a file cannot be counted. A failure's object is the file
// (the volume, for Volume), its reason the system's or the volume's.
enum class FragmentCountStep {
    Ask,     // the file system cannot tell
    Volume,  // the volume beneath the drive cannot be read
    Chain,   // the file's cluster chain is broken
    Absent,  // the volume does not hold the file
};

using FragmentCount = store::Result<int, FragmentCountStep>;

// How many pieces the file of this name at the drive root is stored in, or
// why that cannot be found out.
using FragmentCounter = std::function<FragmentCount(const std::string& fileName)>;

// Where a rewrite of a part stopped; the part stays as it was. A failure's
// object is the part file (the drive's root for Access and a wait cancelled),
// its reason the text of the box shown (of the status line, for a wait).
enum class RewriteStep {
    Access,           // the drive cannot be held against other programs
    NotAFile,         // the part is not a plain file
    NoRoom,           // the drive has not the free space for a second copy
    Copy,             // the copy cannot be made
    Count,            // whether the copy is in one piece cannot be told
    StillFragmented,  // the copy would not be in one piece either
    Replace,          // the copy cannot take the part's place
    Cancelled,
};

// A success when the part is now in one piece.
using RewriteResult = store::Outcome<RewriteStep>;

// A file that an interrupted rewrite left at a drive root: a part moved aside
// ("<part>.zt-old") or a copy of one ("<part>.zt-XXXXXX").
struct RewriteLeftover {
    std::string path;
    std::string part;      // the part it belongs to
    bool putBack = false;  // the part itself, moved aside while its copy never took
                           // its name: it takes the name again; otherwise it is removed
    std::string text;      // what it is, for the user
};

// What interrupted rewrites left at `root`, in the order they are put right;
// changes nothing. A root that cannot be read in full is noted by the
// thread's folder read watches (platform/FolderListing.h). A copy beside no part is no leftover of
// a rewrite.
std::vector<RewriteLeftover> interruptedRewrites(const std::string& root);

// Puts one leftover right; false when the system refused.
bool finishRewrite(const RewriteLeftover& leftover);

// Finishes what interrupted rewrites left at `root` and flushes the folder.
// Returns a line for each file it acted on.
std::vector<std::string> finishInterruptedRewrites(const std::string& root);

// Copies the part `fileName` at `root` to a new file, checks with `counter`
// that the copy is in one piece, and puts it in the part's place. Until then
// the part stays as it was; on every failure the copy is removed.
RewriteResult rewriteContiguous(const std::string& root, const std::string& fileName,
                                const FragmentCounter& counter, const report::FrontEnd& frontEnd);

}  // namespace library
