#pragma once
// The intent file: what a change of a drive's records is about to do, put on
// the drive before the change touches anything, so that a change stopped at
// any moment (a kill, a pulled plug) is finished or undone by the next
// command that opens the drive (store/ChangeSettling.h). The table and the
// part files keep their own layout; only this program reads the intent file.
//
// Layout, fixed size, integers little-endian:
//   0   8   "ZTINTENT"
//   8   1   kind (1 replace, 2 delete, 3 rename)
//   9   1   phase (replace: 0 the new parts are being written, 1 they are complete)
//   10  1   number of records taken away, at most kMaxIntentRecords
//   11  1   number of records put in their place, at most kMaxIntentRecords
//   12  4   name hash (store/NameHash.h) of the whole file with these 4 bytes zero
//   16      the records taken away, 64 bytes each, kMaxIntentRecords places
//   ..      the records put in their place, kMaxIntentRecords places
//   ..      replace: the size of each new part, 8 bytes each, kMaxParts places

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/GameEntry.h"

namespace store {

constexpr const char* kIntentName = "zt.intent";
constexpr const char* kIntentTempName = "zt.intent.tep";
constexpr std::size_t kMaxIntentRecords = 8;

struct ChangeIntent {
    enum class Kind : std::uint8_t { Replace = 1, Delete = 2, Rename = 3 };
    enum class Phase : std::uint8_t { Writing = 0, Complete = 1 };
    Kind kind = Kind::Replace;
    Phase phase = Phase::Writing;
    // Replace: the records of the name, then the new record. Delete: the
    // records of the name, nothing after. Rename: each record of the old
    // name, and the same record under the new name, in the same order.
    std::vector<GameEntry> before;
    std::vector<GameEntry> after;
    // Replace, once Complete: the bytes of each new part.
    std::vector<std::uint64_t> partSizes;
};

// root + "zt.intent"
std::string intentPath(const std::string& root);

// The file's bytes; nothing when the intent holds more than the file has room for.
std::optional<std::vector<std::uint8_t>> encodeIntent(const ChangeIntent& intent);
// The intent the bytes hold; nothing when they are no sound intent file (a
// wrong size or hash, counts out of bounds, a record whose name or game ID
// is unusable, records that do not fit the kind).
std::optional<ChangeIntent> decodeIntent(std::span<const std::uint8_t> bytes);

// Puts the intent on the drive in one atomic step, flushed with its folder:
// a stop leaves the former intent or none, never a torn one.
bool writeIntent(const std::string& root, const ChangeIntent& intent);
// Whether anything stands under the intent file's name.
bool intentPending(const std::string& root);
// The drive's intent; nothing when there is none or it is no sound intent file.
std::optional<ChangeIntent> readIntent(const std::string& root);
// Removes the intent file (and a stopped write's temporary file); its
// removal is flushed.
bool clearIntent(const std::string& root);

}  // namespace store
