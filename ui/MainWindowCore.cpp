// The main window's core: opening, and the window's input handed to its parts.

#include "ui/MainWindowCore.h"

#include "ui/ControlIds.h"

namespace ui {

MainWindowCore::MainWindowCore(WindowView& view, CoreServices services, WindowLog& log)
    : view_(view),
      services_(std::move(services)),
      reports_(view, log),
      pages_(view),
      sources_(view, services_),
      drives_(view, services_),
      jobs_(view, reports_.boxes()),
      games_(view, services_, reports_, log, drives_, pages_, jobs_, routines_),
      checks_(view, reports_, log, jobs_, drives_, games_),
      installs_(view, services_, reports_, log, jobs_, sources_, drives_, games_),
      formats_(view, services_, reports_, log, jobs_, drives_, games_) {}

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
    games_.onDriveChanged();
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
    games_.onDriveChanged();
}

void MainWindowCore::onTabChanged(int index) {
    const Page page = index == 1 ? Page::Format : index == 2 ? Page::About : Page::Installer;
    pages_.showPage(page);
    if (page == Page::Installer)
        games_.onDriveChanged();
}

void MainWindowCore::onActivated() {
    games_.onActivated();
}

void MainWindowCore::onGameClicked(int row) {
    games_.onGameClicked(row);
}

void MainWindowCore::onContextMenu(bool fromKeyboard) {
    if (pages_.page() != Page::Installer)
        return;
    if (const int command = view_.popUpMenu(gameMenuTemplate(), fromKeyboard); command != 0)
        onCommand(command);
}

bool MainWindowCore::onKey(WindowKey key, int focused) {
    switch (key) {
        case WindowKey::Enter:
            // A focused button takes Enter; elsewhere Enter does not end the window.
            if (focused == control::kStartButton || focused == control::kFormatButton)
                onCommand(focused);
            else if (focused == control::kLinkPlaceholder)
                openWebSite();
            return true;
        case WindowKey::Escape:
            return true;  // the main window is closed by its close box only
        case WindowKey::Delete:
        case WindowKey::F2:
        case WindowKey::Menu:
            break;
    }
    if (focused != control::kGameList)
        return false;
    if (key == WindowKey::Delete)
        onCommand(control::kDeleteCommand);
    else if (key == WindowKey::F2)
        onCommand(control::kRenameCommand);
    else
        onContextMenu(true);
    return true;
}

void MainWindowCore::openWebSite() {
    if (!view_.openUrl(services_.websiteUrl))
        reports_.boxes().show(webSiteFailureText(services_.websiteUrl));
}

void MainWindowCore::onCommand(int id) {
    const RoutineDepth::Scope routine(routines_);
    switch (id) {
        case control::kStartButton:
            installs_.onStart();
            break;
        case control::kFormatButton:
            formats_.onFormat();
            break;
        case control::kDeleteCommand:
            games_.onDeleteGame();
            break;
        case control::kRenameCommand:
            games_.onRenameGame();
            break;
        case control::kCopyCommand:
            games_.onCopyGame();
            break;
        case control::kVerifyCommand:
            checks_.onVerifyGame();
            break;
        case control::kExportCommand:
            checks_.onExportGame();
            break;
        case control::kCheckDriveCommand:
            checks_.onCheckDrive();
            break;
        default:
            break;
    }
}

void MainWindowCore::onStatusLineClicked() {
    jobs_.onStatusLineClicked();
}

void MainWindowCore::OnClose() {
    jobs_.OnClose();
}

void MainWindowCore::onProgressDismissed() {
    installs_.onProgressDismissed();
}

}  // namespace ui
