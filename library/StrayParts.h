#pragma once
// Parts that lie on a drive under another name hash than their record's: a
// rename that stopped half-way leaves a game split across two hashes. Such a
// game is repaired by moving the parts back under its record's hash, never
// deleted.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "store/GameEntry.h"

namespace library {

// The name of the image that a staged file named `name` was to become: an
// export writes "<image>.zt-XXXXXX" (six letters or digits) and renames it
// once complete; nothing for any other name.
std::optional<std::string> stagedImageTarget(const std::string& name);

// Paths of every part file that the records name on the drive.
std::set<std::string> ownedPartFiles(const std::string& root,
                                     const std::vector<store::GameEntry>& records);

// The parts of `entry` that a stopped rename left under another name hash
// that no record owns (`owned`): that hash holds exactly the parts the record
// lacks, and with them the game's parts make the whole disc that its first
// part's volume descriptor names. Part index -> path; empty when no hash
// fits so, or the record is damaged.
std::map<int, std::string> findStrayParts(const std::string& root, const store::GameEntry& entry,
                                          const std::set<std::string>& owned);

// Files in the root named like part files (staged ones included) that no
// record owns: left by a stopped install, copy or deletion. Sorted. Here and
// in findStrayParts a root that cannot be read in full is noted by the
// thread's folder read watches (platform/FolderListing.h).
std::vector<std::string> unownedPartFiles(const std::string& root,
                                          const std::set<std::string>& owned);

// True when every missing part of `entry` was found among the strays.
bool straysCompleteGame(const std::string& root, const store::GameEntry& entry,
                        const std::map<int, std::string>& strays);

// Moves the strays under the record's own names, never replacing a file,
// and flushes the folder. False when any of them could not be moved.
bool reuniteParts(const std::string& root, const store::GameEntry& entry,
                  const std::map<int, std::string>& strays);

}  // namespace library
