// The main window's core: opening, and the window's input handed to its parts.

#include "ui/MainWindowCore.h"

#include "ui/ControlIds.h"

namespace ui {

MainWindowCore::MainWindowCore(WindowView& view, CoreServices services, WindowLog& log)
    : view_(view),
      services_(std::move(services)),
      log_(log),
      reports_(view, log),
      pages_(view),
      sources_(view, services_),
      drives_(view, services_),
      jobs_(view, reports_.boxes()) {}

MainWindowCore::~MainWindowCore() {
    jobs_.waitForJobs();
}

void MainWindowCore::init() {
    view_.setControlText(control::kGameNameEdit, kInitialGameName);
    view_.setTabs(tabCaptions());
    view_.setColumns(gameListColumns());
    view_.setMediaTypes(mediaTypes());
    view_.setMedia(kCdMediaItem);
    view_.setLink(linkLook(), services_.websiteUrl);
    sources_.fillSources();
    drives_.fillFirst();
    pages_.showPage(Page::Installer);
    onDriveChanged();
}

void MainWindowCore::onSourcePopup() {
    sources_.fillSources();
}

void MainWindowCore::onSourceChosen(int index) {
    sources_.onSourceChosen(index);
}

void MainWindowCore::onImagesDropped(const std::vector<std::string>& files) {
    sources_.onImagesDropped(files);
}

void MainWindowCore::onDrivePopup() {
    drives_.fillDrives();
}

void MainWindowCore::onDriveChosen(int) {
    onDriveChanged();
}

void MainWindowCore::onDriveChanged() {
    refreshGameList(drives_.readTargetRoot());
}

void MainWindowCore::onTabChanged(int index) {
    const Page page = index == 1 ? Page::Format : index == 2 ? Page::About : Page::Installer;
    pages_.showPage(page);
    if (page == Page::Installer)
        onDriveChanged();
}

}  // namespace ui
