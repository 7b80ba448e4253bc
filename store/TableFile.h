#pragma once
// Reading and replacing a drive's game table file as a whole.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/Failure.h"
#include "store/GameEntry.h"

namespace store {

struct TableContents {
    bool exists = false;  // a file of that name is there
    bool opened = false;  // it could be opened for reading
    std::vector<GameEntry> records;
    std::vector<std::uint8_t> torn;  // the piece after the last whole record: a record
                                     // cut short (a write stopped, a stick pulled)
    std::string problem;             // why a table that exists was not opened

    // A command may change the table: there is none, or it was read whole.
    // A torn record is the drive check's to keep or drop, never a writer's.
    bool changeable() const { return !exists || (opened && torn.empty()); }
};

// More records than any drive holds games; a larger file is not read.
constexpr std::size_t kMaxTableRecords = std::size_t{1} << 20;

// Reads 64-byte records until a read comes back short; a trailing piece
// shorter than a record is not a record, and is kept in `torn`. Anything but
// a plain file (a link among them), or a file of more than kMaxTableRecords
// records, exists but is not opened.
TableContents readTableFile(const std::string& path);

// Called after the temporary file is complete and flushed, just before it
// replaces the table; returning false abandons the replacement (tests use it
// to stand for a failure at that moment).
using BeforeReplace = std::function<bool()>;

// Where a table write stopped.
enum class TableWriteStep {
    Write,       // the new table could not be written or put in place: the table is as it was
    NotFlushed,  // the new table is in place, but its folder could not be
                 // flushed: a power cut may still bring the old one back
};

// What became of a table write; a success only when the new table is in
// place and flushed. A failure's object is the file that could not be
// written, its reason the system's.
using TableWrite = Outcome<TableWriteStep>;

// Writes the records to "tepcdfile.tep" beside the table, flushes it, then
// renames it over the table in one atomic step and flushes the folder. On a
// failure before the rename the temporary file is removed and the table is
// left as it was.
TableWrite writeTableFile(const std::string& path, std::span<const GameEntry> records,
                          const BeforeReplace& beforeReplace = {});

// The name and game ID that a torn record still holds whole (each with its
// terminator, the game ID a valid one), as a record with no part count;
// nothing when the piece is cut before them.
std::optional<GameEntry> readableTornRecord(std::span<const std::uint8_t> torn);

// What the user is told when an existing table cannot be read, or cannot be
// changed because it ends in a torn record: the path and why.
std::string tableNotReadText(const std::string& path, const TableContents& contents);

// What the user is told when a table was put in place but not flushed.
std::string tableNotFlushedText(const std::string& path, const std::string& reason);

}  // namespace store
