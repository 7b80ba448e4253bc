#include "ui/ImageChoice.h"

#include <algorithm>
#include <filesystem>

#include "platform/PathText.h"

std::string gameNameForImage(const std::string& current, const std::string& lastFilled,
                             const std::string& imagePath) {
    if (current != kInitialGameName && (lastFilled.empty() || current != lastFilled))
        return current;
    const std::string name = gameNameOfImage(imagePath).name;
    return name.empty() ? current : name;
}

std::vector<std::string> sourceItems(const std::vector<std::string>& opticalDrives,
                                     const std::vector<std::string>& images) {
    std::vector<std::string> items = opticalDrives;
    items.insert(items.end(), images.begin(), images.end());
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    return items;
}

std::string folderOfImage(const std::string& imagePath) {
    return std::filesystem::path(imagePath).parent_path().string();
}

std::vector<std::string> droppedImages(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code error;
        if (std::filesystem::is_regular_file(platform::fsPath(path), error))
            files.push_back(path);
    }
    return files;
}
