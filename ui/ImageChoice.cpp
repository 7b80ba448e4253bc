#include "ui/ImageChoice.h"

#include <algorithm>
#include <filesystem>

#include "store/GameEntry.h"

namespace {

// The longest start of `text` of at most `limit` bytes that ends on a whole
// UTF-8 character.
std::string cutToBytes(const std::string& text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

}  // namespace

std::string gameNameForImage(const std::string& current, const std::string& lastFilled,
                             const std::string& imagePath) {
    if (current != kInitialGameName && (lastFilled.empty() || current != lastFilled))
        return current;
    const std::string name = std::filesystem::path(imagePath).stem().string();
    if (name.empty())
        return current;
    return cutToBytes(name, entry_layout::kDisplayNameSize - 1);
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

bool imageNeedsDvd(std::uint64_t bytes) {
    return bytes > kCdBytes;
}

std::optional<std::string> droppedImage(const std::vector<std::string>& paths) {
    std::error_code error;
    if (paths.size() != 1 || !std::filesystem::is_regular_file(paths.front(), error))
        return std::nullopt;
    return paths.front();
}
