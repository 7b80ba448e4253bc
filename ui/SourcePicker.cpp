// The source box: its items, the image dialog behind "Image file...", images
// dropped onto the window, and what a picked image fills in.

#include "ui/SourcePicker.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/PathText.h"
#include "platform/Volume.h"
#include "ui/ControlIds.h"
#include "ui/ImageChoice.h"
#include "ui/QueueStart.h"

namespace ui {

using namespace install;

namespace {

// The size of the file at `path`; 0 when it cannot be read.
std::uint64_t sizeOfFile(const std::string& path) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(platform::fsPath(path), error);
    return error ? 0 : static_cast<std::uint64_t>(bytes);
}

}  // namespace

void SourcePicker::fillSources() {
    const int index = view_.input().source;
    const int count = static_cast<int>(sourceItems_.size());
    // The image item selected (its dialog open or just cancelled) keeps nothing.
    const std::string selected =
        index >= 0 && index < count - 1 ? sourceItems_[static_cast<std::size_t>(index)] : "";
    sourceItems_ = sourceBoxItems();
    const auto found = std::find(sourceItems_.begin(), sourceItems_.end() - 1, selected);
    const int at =
        found == sourceItems_.end() - 1 ? 0 : static_cast<int>(found - sourceItems_.begin());
    view_.setSources(sourceRows(sourceItems_, imageFiles_), at);
    lastSource_ = at;
    showQueueChosen(queueSelected());
}

std::vector<std::string> SourcePicker::sourceBoxItems() const {
    std::vector<std::string> items = sourceItems(services_.drives->opticalDrives(), imageFiles_);
    if (!queuedImages_.empty())
        items.push_back(queueItemText(queuedImages_.size()));
    items.push_back(kImageFileItem);
    return items;
}

std::string SourcePicker::sourceAt(int index) const {
    const std::size_t source = static_cast<std::size_t>(index);
    return index >= 0 && source + 1 < sourceItems_.size() ? sourceItems_[source] : "";
}

bool SourcePicker::queueSelected() const {
    const int index = view_.input().source;
    return !queuedImages_.empty() && index >= 0 &&
           index + 2 == static_cast<int>(sourceItems_.size());
}

void SourcePicker::showQueueChosen(bool queue) {
    view_.enableControl(control::kGameNameEdit, !queue);
}

void SourcePicker::onSourceChosen(int index) {
    const int imageItem = static_cast<int>(sourceItems_.size()) - 1;
    if (index != imageItem) {
        lastSource_ = index;
        showQueueChosen(queueSelected());
        // An image chosen again from the box sets the media and the name
        // as when it was picked.
        if (index >= 0 && index < imageItem &&
            std::find(imageFiles_.begin(), imageFiles_.end(),
                      sourceItems_[static_cast<std::size_t>(index)]) != imageFiles_.end()) {
            setMediaForImage(sourceItems_[static_cast<std::size_t>(index)]);
            fillNameForImage(sourceItems_[static_cast<std::size_t>(index)]);
        }
        return;
    }
    const std::vector<std::string> files = view_.chooseFiles(imageDialog(imageFolder_, true));
    if (files.empty()) {
        view_.setSources(sourceRows(sourceItems_, imageFiles_), std::min(lastSource_, imageItem));
        return;
    }
    if (files.size() == 1)
        pickImage(files.front());
    else
        pickImages(files);
}

void SourcePicker::onImagesDropped(const std::vector<std::string>& files) {
    if (files.size() == 1 && !files.front().empty())
        pickImage(files.front());
    else if (files.size() > 1)
        pickImages(files);
}

void SourcePicker::pickImages(const std::vector<std::string>& files) {
    queuedImages_ = files;
    imageFolder_ = folderOfImage(files.front());
    sourceItems_ = sourceBoxItems();
    lastSource_ = static_cast<int>(sourceItems_.size()) - 2;
    view_.setSources(sourceRows(sourceItems_, imageFiles_), lastSource_);
    showQueueChosen(true);
}

void SourcePicker::pickImage(const std::string& file) {
    if (std::find(imageFiles_.begin(), imageFiles_.end(), file) == imageFiles_.end())
        imageFiles_.push_back(file);
    imageFolder_ = folderOfImage(file);
    sourceItems_ = sourceBoxItems();
    showQueueChosen(false);
    lastSource_ = static_cast<int>(std::find(sourceItems_.begin(), sourceItems_.end(), file) -
                                   sourceItems_.begin());
    view_.setSources(sourceRows(sourceItems_, imageFiles_), lastSource_);
    setMediaForImage(file);
    fillNameForImage(file);
}

void SourcePicker::fillNameForImage(const std::string& file) {
    const std::string current = view_.input().gameName;
    const std::string name = gameNameForImage(current, filledGameName_, file);
    if (name != current) {
        view_.setControlText(control::kGameNameEdit, name);
        filledGameName_ = name;
    }
}

void SourcePicker::setMediaForImage(const std::string& file) {
    if (imageNeedsDvd(services_.fileSize ? services_.fileSize(file) : sizeOfFile(file)))
        view_.setMedia(kDvdMediaItem);
}

FileSizeOf SourcePicker::imageSizeOf() const {
    return [size = services_.fileSize](const std::string& path) -> std::optional<std::uint64_t> {
        if (!platform::pathTaken(path))
            return std::nullopt;
        return size ? size(path) : sizeOfFile(path);
    };
}

}  // namespace ui
