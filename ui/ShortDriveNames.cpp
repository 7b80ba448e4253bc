#include "ui/ShortDriveNames.h"

#include <algorithm>
#include <string>

namespace ui {

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

std::vector<std::string> shortDriveNames(const std::vector<std::string>& mountPoints) {
    std::vector<std::vector<std::string>> folders;
    for (const std::string& point : mountPoints)
        folders.push_back(foldersOf(point));
    std::vector<std::string> names = mountPoints;
    for (std::size_t i = 0; i < mountPoints.size(); ++i) {
        for (std::size_t count = 1; folders[i].size() > 1 && count <= folders[i].size(); ++count) {
            const std::string name = tail(folders[i], count);
            const bool shared = std::any_of(folders.begin(), folders.end(), [&](const auto& other) {
                return &other != &folders[i] && other.size() >= count && tail(other, count) == name;
            });
            if (!shared) {
                names[i] = name;
                break;
            }
        }
    }
    return names;
}

}  // namespace ui
