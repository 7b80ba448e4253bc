#include "ui/DriveRows.h"

#include <algorithm>
#include <string>

namespace {

// The folders of a mount point, either separator, empty ones left out.
std::vector<std::string> foldersOf(const std::string& path) {
    std::vector<std::string> folders;
    std::string folder;
    for (char c : path + '/') {
        if (c == '/' || c == '\\') {
            if (!folder.empty())
                folders.push_back(folder);
            folder.clear();
        } else {
            folder += c;
        }
    }
    return folders;
}

// The last `count` folders, joined with '/'.
std::string tail(const std::vector<std::string>& folders, std::size_t count) {
    std::string text;
    for (std::size_t i = folders.size() - count; i < folders.size(); ++i)
        text += (text.empty() ? "" : "/") + folders[i];
    return text;
}

}  // namespace

std::vector<DriveRow> driveDialogRows(const std::vector<FixedDrive>& drives) {
    std::vector<std::vector<std::string>> folders;
    for (const FixedDrive& drive : drives)
        folders.push_back(foldersOf(drive.mountPoint));
    std::vector<DriveRow> rows;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        DriveRow row{drives[i].mountPoint, drives[i].mountPoint + "  (" + drives[i].device + ")"};
        for (std::size_t count = 1; folders[i].size() > 1 && count <= folders[i].size(); ++count) {
            const std::string name = tail(folders[i], count);
            const bool shared = std::any_of(folders.begin(), folders.end(), [&](const auto& other) {
                return &other != &folders[i] && other.size() >= count && tail(other, count) == name;
            });
            if (!shared) {
                row.text = name;
                break;
            }
        }
        rows.push_back(row);
    }
    return rows;
}
