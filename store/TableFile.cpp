#include "store/TableFile.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/PathText.h"
#include "report/ShownText.h"
#include "store/DriveRoot.h"
#include "store/PartNaming.h"

namespace store {

using namespace platform;
using namespace report;

namespace {

std::string tempPathBeside(const std::string& path) {
    std::filesystem::path table = platform::fsPath(path);
    return platform::pathText(table.parent_path() / kTempTableName);
}

}  // namespace

TableContents readTableFile(const std::string& path) {
    TableContents contents;
    std::error_code error;
    // A link is never followed: it could lead off the drive.
    std::filesystem::file_status status =
        std::filesystem::symlink_status(platform::fsPath(path), error);
    contents.exists = std::filesystem::exists(status);
    // Only a plain file of a sane size is read: a pipe would block, a link
    // could lead off the drive, and a table this large was not written by an
    // installer.
    if (contents.exists && std::filesystem::is_symlink(status)) {
        contents.problem = "it is a symbolic link";
        return contents;
    }
    if (contents.exists && !std::filesystem::is_regular_file(status)) {
        contents.problem = "it is " + specialFileKind(path);
        return contents;
    }
    const std::uintmax_t size =
        contents.exists ? std::filesystem::file_size(platform::fsPath(path), error) : 0;
    if (contents.exists && (size > kMaxTableRecords * entry_layout::kSize || error)) {
        contents.problem = error ? error.message() : "it is too large to be a game table";
        return contents;
    }
    // Read by a handle that never follows a link (where the system shows a
    // link as the file it leads to, the check above cannot see it).
    errno = 0;
    const std::optional<std::vector<std::uint8_t>> bytes =
        platform::readRegularFileAt(path, 0, static_cast<std::size_t>(size));
    if (!bytes) {
        contents.problem = errno != 0 ? platform::lastErrorText() : "it cannot be read to its end";
        return contents;
    }
    contents.opened = true;
    std::size_t at = 0;
    for (; at + entry_layout::kSize <= bytes->size(); at += entry_layout::kSize) {
        std::array<std::uint8_t, entry_layout::kSize> raw;
        std::copy_n(bytes->begin() + static_cast<std::ptrdiff_t>(at), raw.size(), raw.begin());
        contents.records.push_back(GameEntry::fromBytes(raw));
    }
    contents.torn.assign(bytes->begin() + static_cast<std::ptrdiff_t>(at), bytes->end());
    return contents;
}

TableWrite writeTableFile(const std::string& path, std::span<const GameEntry> records,
                          const BeforeReplace& beforeReplace) {
    std::vector<std::uint8_t> data;
    data.reserve(records.size() * entry_layout::kSize);
    for (const GameEntry& entry : records)
        data.insert(data.end(), entry.bytes.begin(), entry.bytes.end());

    const std::string temp = tempPathBeside(path);
    if (!platform::writeFileSynced(temp, data))
        return Failure<TableWriteStep>{TableWriteStep::Write, temp, platform::lastErrorText()};
    const platform::Replacement replaced = beforeReplace && !beforeReplace()
                                               ? platform::Replacement::Failed
                                               : platform::replaceFile(temp, path);
    const int error = errno;
    if (replaced == platform::Replacement::Failed)
        platform::removeFile(temp);
    errno = error;
    if (replaced == platform::Replacement::Replaced)
        return {};
    return Failure<TableWriteStep>{replaced == platform::Replacement::NotFlushed
                                       ? TableWriteStep::NotFlushed
                                       : TableWriteStep::Write,
                                   path, platform::lastErrorText()};
}

std::optional<GameEntry> readableTornRecord(std::span<const std::uint8_t> torn) {
    using namespace entry_layout;
    // The field holds its terminator within the piece.
    const auto terminated = [&](std::size_t offset, std::size_t size) {
        if (torn.size() <= offset)
            return false;
        const auto begin = torn.begin() + static_cast<std::ptrdiff_t>(offset);
        const auto end = begin + static_cast<std::ptrdiff_t>(std::min(size, torn.size() - offset));
        return std::find(begin, end, 0) != end;
    };
    if (!terminated(kDisplayName, kDisplayNameSize) ||
        !terminated(kImageFileName, kImageFileNameSize))
        return std::nullopt;
    std::array<std::uint8_t, kSize> raw{};
    std::copy_n(torn.begin(), std::min(torn.size(), kSize), raw.begin());
    GameEntry entry = GameEntry::fromBytes(raw);
    if (entry.DisplayName().empty() || entry.ImageFileName().rfind("zt.", 0) != 0 ||
        !isValidGameId(entry.gameId()))
        return std::nullopt;
    return entry;
}

std::string tableNotReadText(const std::string& path, const TableContents& contents) {
    if (contents.opened && !contents.torn.empty())
        return "The game table " + path + " ends in " + std::to_string(contents.torn.size()) +
               " bytes of a torn record; check the drive first (\"Check Drive\", or zt_games "
               "check), which keeps the record where its name can still be read";
    return "The game table " + path + " cannot be read (" + contents.problem + ")";
}

std::string tableNotFlushedText(const std::string& path, const std::string& reason) {
    return "The game table " + path + " was changed, but the change may not be on the device (" +
           reason + ")";
}

}  // namespace store
