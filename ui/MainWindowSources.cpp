// The main window's core: opening, the source and drive boxes, and the pages.

#include <algorithm>
#include <system_error>

#include "platform/PathText.h"
#include "platform/Volume.h"
#include "store/DriveRoot.h"
#include "ui/ControlIds.h"
#include "ui/DriveOrder.h"
#include "ui/ImageChoice.h"
#include "ui/MainWindowCore.h"

namespace ui {

using namespace platform;
using namespace store;
using namespace install;
using namespace report;
using namespace disk;
using namespace library;

namespace {

// The hard-drive box's rows: each drive by its mount point, its device as tooltip.
std::vector<DriveRow> driveRows(const std::vector<FixedDrive>& drives) {
    std::vector<DriveRow> rows;
    for (const FixedDrive& drive : drives)
        rows.push_back(DriveRow{drive.mountPoint, drive.device});
    return rows;
}

// The size of the file at `path`; 0 when it cannot be read.
std::uint64_t sizeOfFile(const std::string& path) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(platform::fsPath(path), error);
    return error ? 0 : static_cast<std::uint64_t>(bytes);
}

}  // namespace

MainWindowCore::MainWindowCore(WindowView& view, CoreServices services, WindowLog& log)
    : view_(view),
      services_(std::move(services)),
      log_(log),
      boxes_(view.boxes(), log),
      out_(log),
      installWorker_(view.thread()),
      formatWorker_(view.thread()),
      copyWorker_(view.thread()),
      gameWorker_(view.thread()) {}

MainWindowCore::~MainWindowCore() = default;

FrontEnd MainWindowCore::frontEnd() {
    return FrontEnd{view_.statusLine(), boxes_, view_.jobProgress().window(), out_};
}

void MainWindowCore::init() {
    view_.setControlText(control::kGameNameEdit, kInitialGameName);
    view_.setTabs(tabCaptions());
    view_.setColumns(gameListColumns());
    view_.setMediaTypes(mediaTypes());
    view_.setMedia(kCdMediaItem);
    view_.setLink(linkLook(), services_.websiteUrl);
    lastSource_ = 0;
    fillSources();
    // A drive this user may not use (a folder of another user's) is listed,
    // but the window opens on one it can read.
    offered_ = drivesInOfferOrder(services_.drives->fixedDrives());
    view_.setDrives(driveRows(offered_), driveToOpenOn(offered_));
    showPage(Page::Installer);
    onDriveChanged();
}

void MainWindowCore::fillSources() {
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

std::vector<std::string> MainWindowCore::sourceBoxItems() const {
    std::vector<std::string> items = sourceItems(services_.drives->opticalDrives(), imageFiles_);
    if (!queuedImages_.empty())
        items.push_back(queueItemText(queuedImages_.size()));
    items.push_back(kImageFileItem);
    return items;
}

bool MainWindowCore::queueSelected() const {
    const int index = view_.input().source;
    return !queuedImages_.empty() && index >= 0 &&
           index + 2 == static_cast<int>(sourceItems_.size());
}

void MainWindowCore::showQueueChosen(bool queue) {
    view_.enableControl(control::kGameNameEdit, !queue);
}

void MainWindowCore::onSourcePopup() {
    fillSources();
}

void MainWindowCore::onSourceChosen(int index) {
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

void MainWindowCore::onImagesDropped(const std::vector<std::string>& files) {
    if (files.size() == 1 && !files.front().empty())
        pickImage(files.front());
    else if (files.size() > 1)
        pickImages(files);
}

void MainWindowCore::pickImages(const std::vector<std::string>& files) {
    queuedImages_ = files;
    imageFolder_ = folderOfImage(files.front());
    sourceItems_ = sourceBoxItems();
    lastSource_ = static_cast<int>(sourceItems_.size()) - 2;
    view_.setSources(sourceRows(sourceItems_, imageFiles_), lastSource_);
    showQueueChosen(true);
}

void MainWindowCore::pickImage(const std::string& file) {
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

void MainWindowCore::fillNameForImage(const std::string& file) {
    const std::string current = view_.input().gameName;
    const std::string name = gameNameForImage(current, filledGameName_, file);
    if (name != current) {
        view_.setControlText(control::kGameNameEdit, name);
        filledGameName_ = name;
    }
}

void MainWindowCore::setMediaForImage(const std::string& file) {
    if (imageNeedsDvd(services_.fileSize ? services_.fileSize(file) : sizeOfFile(file)))
        view_.setMedia(kDvdMediaItem);
}

FileSizeOf MainWindowCore::imageSizeOf() const {
    return [size = services_.fileSize](const std::string& path) -> std::optional<std::uint64_t> {
        if (!platform::pathTaken(path))
            return std::nullopt;
        return size ? size(path) : sizeOfFile(path);
    };
}

void MainWindowCore::fillDrives() {
    const int index = view_.input().drive;
    const std::string selected = index >= 0 && index < static_cast<int>(offered_.size())
                                     ? offered_[static_cast<std::size_t>(index)].mountPoint
                                     : "";
    offered_ = drivesInOfferOrder(services_.drives->fixedDrives());
    selectDriveAt(selected);
}

// Fills the box with the drives offered now, `mountPoint`'s selected when
// it is among them, else the first.
void MainWindowCore::selectDriveAt(const std::string& mountPoint) {
    int at = offered_.empty() ? -1 : 0;
    for (std::size_t i = 0; i < offered_.size(); ++i) {
        if (!mountPoint.empty() && offered_[i].mountPoint == mountPoint)
            at = static_cast<int>(i);
    }
    view_.setDrives(driveRows(offered_), at);
}

void MainWindowCore::onDrivePopup() {
    fillDrives();
}

void MainWindowCore::onDriveChosen(int) {
    onDriveChanged();
}

void MainWindowCore::onDriveChanged() {
    targetRoot_ = selectedDriveRoot();
    refreshGameList(targetRoot_);
}

FixedDrive MainWindowCore::selectedDrive() const {
    const int index = view_.input().drive;
    if (index < 0 || index >= static_cast<int>(offered_.size()))
        return {};
    return offered_[static_cast<std::size_t>(index)];
}

std::string MainWindowCore::selectedDriveRoot() const {
    const FixedDrive drive = selectedDrive();
    return drive.mountPoint.empty() ? std::string() : normalizeRoot(drive.mountPoint);
}

void MainWindowCore::onTabChanged(int index) {
    const Page page = index == 1 ? Page::Format : index == 2 ? Page::About : Page::Installer;
    showPage(page);
    if (page == Page::Installer)
        onDriveChanged();
}

void MainWindowCore::showPage(Page page) {
    page_ = page;
    showInstallerPage(page == Page::Installer);
    showFormatPage(page == Page::Format);
    showAboutPage(page == Page::About);
}

void MainWindowCore::showInstallerPage(bool show) {
    for (int id : pageControls(Page::Installer))
        view_.showControl(id, show);
}

// The format page's text is set each time, shown or hidden.
void MainWindowCore::showFormatPage(bool show) {
    view_.showControl(control::kFormatText, show);
    view_.setControlText(control::kFormatText, kFormatPageText);
    view_.showControl(control::kFormatButton, show);
}

void MainWindowCore::showAboutPage(bool show) {
    for (int id : pageControls(Page::About))
        view_.showControl(id, show);
}

}  // namespace ui
