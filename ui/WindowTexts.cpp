#include "ui/WindowTexts.h"

#include "ui/ControlIds.h"

namespace ui {

using namespace control;

const std::vector<std::string>& tabCaptions() {
    static const std::vector<std::string> captions{"Games Installer", "Disk Format", "About"};
    return captions;
}

const std::vector<std::string>& mediaTypes() {
    static const std::vector<std::string> types{"CD", "DVD"};
    return types;
}

std::span<const ListColumn> gameListColumns() {
    static constexpr ListColumn columns[] = {{"Game Name", 320}, {"Size (KB)", 80}};
    return columns;
}

const char* const kFormatPageText =
    "The USB hard drive need to do Initialise and create a NTFS partition with maximum size in "
    "the WindowsXP Disk Management first!\n\nThe USB hard drive is locked while formatting so "
    "make sure no files are open or window explorer isn't exploring the device!\n\nWARNING, ALL "
    "DATA ON USB HARD DRIVE WILL BE LOST!\n";

const LinkLook& linkLook() {
    static constexpr LinkLook look{"Times New Roman", 15,  false, true, 0x0000FF,
                                   0xFF0000,          150, 20,    12,   4};
    return look;
}

std::span<const int> pageControls(Page page) {
    static constexpr int installer[] = {kMediaCombo,  kDriveCombo, kSourceCombo,   kGameList,
                                        kStartButton, kStatusLine, kGameNameEdit,  kSourceLabel,
                                        kMediaLabel,  kDriveLabel, kGameNameLabel, kGameListLabel};
    static constexpr int format[] = {kFormatText, kFormatButton};
    static constexpr int about[] = {kAboutPicture, kLinkPlaceholder, kWebSiteLabel};
    switch (page) {
        case Page::Installer:
            return installer;
        case Page::Format:
            return format;
        case Page::About:
            break;
    }
    return about;
}

}  // namespace ui
