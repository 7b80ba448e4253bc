#pragma once
// Names of a game's part files: root + "zt.<HASH>.<game ID>.0<index>".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/GameEntry.h"

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
