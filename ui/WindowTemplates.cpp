#include "ui/WindowTemplates.h"

#include "ui/ControlIds.h"

namespace ui {

namespace {

using K = ControlKind;
using namespace control;

constexpr ControlRow kMainControls[] = {
    {kSourceCombo, K::DropDownList, "", 29, 37, 60, 39, true},
    {kMediaCombo, K::DropDownList, "", 111, 37, 67, 36, true},
    {kDriveCombo, K::DropDownList, "", 197, 36, 68, 67, true},
    {kGameNameEdit, K::Edit, "", 85, 61, 128, 12, true},
    {kStartButton, K::Button, "Start", 223, 60, 41, 13, true},
    {kGameList, K::ListView, "", 28, 100, 233, 93, true},
    {kFormatButton, K::Button, "Format...", 113, 118, 49, 13, false},
    {kGameNameLabel, K::Static, "Game Name:", 32, 62, 44, 9, true},
    {kTabs, K::TabControl, "", 3, 7, 286, 206, true},
    {kSourceLabel, K::Static, "CD/DVD ROM Drive", 29, 23, 67, 9, true},
    {kDriveLabel, K::Static, "Hard Drive", 206, 22, 39, 9, true},
    {kMediaLabel, K::Static, "Media Type", 123, 23, 45, 9, true},
    {kGameListLabel, K::Static, "Game Installed List", 32, 82, 81, 10, true},
    {kLinkPlaceholder, K::ClickStatic, "", 102, 181, 115, 11, false},
    {kAboutPicture, K::Picture, "", 55, 35, 183, 137, false},
    {kFormatText, K::Static, "", 35, 39, 238, 78, false},
    {kStatusLine, K::ClickStatic, "", 0, 214, 289, 9, true},
    {kWebSiteLabel, K::Static, "Web Site :", 69, 181, 32, 13, false},
};

constexpr ControlRow kDriveControls[] = {
    {kNoControlId, K::Static, "Select Driver :", 18, 12, 49, 10, true},
    {kDriveListBox, K::ListBox, "", 20, 28, 49, 72, true},
    {kOkButton, K::Button, "Ok", 20, 110, 28, 9, true},
    {kCancelButton, K::Button, "Cancel", 48, 110, 28, 9, true},
};

constexpr ControlRow kRenameControls[] = {
    {kNoControlId, K::Static, "New Name:", 18, 7, 41, 8, true},
    {kNewNameEdit, K::Edit, "", 19, 19, 92, 12, true},
    {kOkButton, K::Button, "Ok", 21, 39, 34, 11, true},
    {kCancelButton, K::Button, "Cancel", 73, 39, 34, 11, true},
};

constexpr ControlRow kProgressControls[] = {
    {kProgressText, K::Static, "", 8, 7, 246, 9, true},
    {kProgressBar, K::ProgressBar, "", 5, 23, 281, 7, true},
    {kProgressButton, K::Button, "Cancel", 134, 38, 37, 10, true},
};

constexpr MenuRow kGameMenu[] = {
    {kDeleteCommand, "Delete"},
    {kRenameCommand, "Rename"},
    {kCopyCommand, "Copy..."},
    {0, nullptr},
    {kVerifyCommand, "Verify"},
    {kExportCommand, "Export..."},
    {0, nullptr},
    {kCheckDriveCommand, "Check Drive"},
};

const DialogTemplate kMain{
    "Tarnwick Game Installer", "Times New Roman", 9, 291, 223, kMainControls};
const DialogTemplate kDrive{"Drive", "Times New Roman", 10,        96,
                            131,     kDriveControls,    kOkButton, true};
const DialogTemplate kRename{"rename", "Times New Roman", 10, 143, 62, kRenameControls, kOkButton};
const DialogTemplate kProgress{"Install", "Times New Roman", 10, 291, 49, kProgressControls};

}  // namespace

const DialogTemplate& mainTemplate() {
    return kMain;
}
const DialogTemplate& driveTemplate() {
    return kDrive;
}
const DialogTemplate& renameTemplate() {
    return kRename;
}
const DialogTemplate& progressTemplate() {
    return kProgress;
}
std::span<const MenuRow> gameMenuTemplate() {
    return kGameMenu;
}

}  // namespace ui
