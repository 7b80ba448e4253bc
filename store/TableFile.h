#pragma once
// Reading and replacing a drive's game table file as a whole.

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "store/GameEntry.h"

struct TableContents {
    bool exists = false;  // a file of that name is there
    bool opened = false;  // it could be opened for reading
    std::vector<GameEntry> records;
};

// More records than any drive holds games; a larger file is not read.
constexpr std::size_t kMaxTableRecords = std::size_t{1} << 20;

// Reads 64-byte records until a read comes back short; a trailing piece
// shorter than a record is not a record. Anything but a plain file (a link
// among them), or a file
// of more than kMaxTableRecords records, exists but is not opened.
TableContents readTableFile(const std::string& path);

// Called after the temporary file is complete and flushed, just before it
// replaces the table; returning false abandons the replacement (tests use it
// to stand for a failure at that moment).
using BeforeReplace = std::function<bool()>;

// Writes the records to "tepcdfile.tep" beside the table, flushes it, then
// renames it over the table in one atomic step. On any failure the temporary
// file is removed and the table is left as it was.
bool writeTableFile(const std::string& path, std::span<const GameEntry> records,
                    const BeforeReplace& beforeReplace = {});
