#include "store/TableFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/Files.h"
#include "store/DriveRoot.h"

namespace {

std::string tempPathBeside(const std::string& path) {
    std::filesystem::path table(path);
    return (table.parent_path() / kTempTableName).string();
}

}  // namespace

TableContents readTableFile(const std::string& path) {
    TableContents contents;
    std::error_code error;
    // A link is never followed: it could lead off the drive.
    std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    contents.exists = std::filesystem::exists(status);
    // Only a plain file of a sane size is read: a pipe would block, a link
    // could lead off the drive, and a table this large was not written by an
    // installer.
    if (contents.exists &&
        (!std::filesystem::is_regular_file(status) ||
         std::filesystem::file_size(path, error) > kMaxTableRecords * entry_layout::kSize || error))
        return contents;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return contents;
    contents.opened = true;
    std::array<std::uint8_t, entry_layout::kSize> raw;
    while (in.read(reinterpret_cast<char*>(raw.data()), raw.size()) &&
           in.gcount() == static_cast<std::streamsize>(raw.size())) {
        contents.records.push_back(GameEntry::fromBytes(raw));
    }
    return contents;
}

bool writeTableFile(const std::string& path, std::span<const GameEntry> records,
                    const BeforeReplace& beforeReplace) {
    std::vector<std::uint8_t> data;
    data.reserve(records.size() * entry_layout::kSize);
    for (const GameEntry& entry : records)
        data.insert(data.end(), entry.bytes.begin(), entry.bytes.end());

    const std::string temp = tempPathBeside(path);
    if (!platform::writeFileSynced(temp, data))
        return false;
    if ((beforeReplace && !beforeReplace()) || !platform::replaceFile(temp, path)) {
        int error = errno;
        platform::removeFile(temp);
        errno = error;
        return false;
    }
    return true;
}
