#include "ui/ImageChoice.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "platform/PathText.h"

namespace ui {

using namespace platform;
using namespace install;
using namespace report;
using namespace store;

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

std::string shownSourceName(const std::string& item, bool image) {
    constexpr std::string_view kDevicePrefix = "\\\\.\\";
    if (!image)
        return item.rfind(kDevicePrefix, 0) == 0 ? item.substr(kDevicePrefix.size()) : item;
    const std::size_t slash = item.find_last_of("\\/");
    return slash == std::string::npos || slash + 1 == item.size() ? item : item.substr(slash + 1);
}

std::vector<SourceRow> sourceRows(const std::vector<std::string>& items,
                                  const std::vector<std::string>& images) {
    std::vector<SourceRow> rows;
    for (const std::string& item : items) {
        const bool image = std::find(images.begin(), images.end(), item) != images.end();
        std::string text = shownSourceName(item, image);
        std::string tooltip = text != item ? item : std::string();
        rows.push_back({item, std::move(text), std::move(tooltip)});
    }
    return rows;
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

}  // namespace ui
