#pragma once
// Names of a game's part files: root + "zt.<HASH>.<game ID>.0<index>".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/GameEntry.h"

namespace store {

// Longest game ID that fits a record's ImageFileName ("zt." + ID + NUL in 15 bytes).
constexpr std::size_t kMaxGameIdLength = 11;
// Part suffixes run .00 to .09; a tenth part would need the suffix ".0:".
constexpr int kMaxParts = 10;

// A game ID becomes part of file names, so only 1 to 11 letters, digits, '_',
// '.' and '-' are accepted, and never "..".
bool isValidGameId(std::string_view id);

// root + "zt.%08X.%s"
std::string partPrefix(const std::string& root, std::uint32_t hash, std::string_view gameId);

// prefix + ".0" + digit; no name for an index outside 0..9.
std::optional<std::string> partFilePath(const std::string& prefix, int index);

// The part files that a record names on the drive at `root`.
struct PartFiles {
    // false: the record is damaged and names no file (its game ID is unusable,
    // or its part count is 0, negative or over kMaxParts)
    bool valid = false;
    std::vector<std::string> paths;  // parts 0 .. PartCount-1
};
PartFiles partFilesOf(const std::string& root, const GameEntry& entry);

// A new part whose name a replaced game's file still holds is written under
// a staged name ("zt.H.ID~new.00") and takes its own name once that game left
// the table. "~" cannot stand in a game ID, so no record ever names such a file.
constexpr const char* kStagingSuffix = "~new";
// Copies of earlier versions staged after the part suffix ("zt.H.ID.00.new");
// drives may still carry such files.
constexpr const char* kFormerCopyStagingSuffix = ".new";

// The staged name of the part file `partPath` (prefix + ".0" + digit).
std::string stagedPartPath(const std::string& partPath);

// What a file name in a drive's root says when it is a part file's name.
struct PartFileName {
    std::string hash;     // eight upper-case hexadecimal digits
    std::string gameId;   // a valid game ID
    int index = 0;        // 0 to 9
    bool staged = false;  // carries a staging suffix
};
std::optional<PartFileName> parsePartFileName(std::string_view fileName);

}  // namespace store
