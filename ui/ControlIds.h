#pragma once

namespace ui {
// The control IDs of the window's dialog templates, and the commands of the
// list's context menu, by name. Every toolkit that builds the dialogs from
// the templates finds its controls by these.

namespace control {

// The main window (template 102).
inline constexpr int kStartButton = 1004;
inline constexpr int kGameNameEdit = 1005;
inline constexpr int kMediaCombo = 1009;
inline constexpr int kGameList = 1010;
inline constexpr int kDriveCombo = 1011;
inline constexpr int kSourceCombo = 1012;
inline constexpr int kFormatButton = 1024;
inline constexpr int kTabs = 1027;
inline constexpr int kLinkPlaceholder = 1028;
inline constexpr int kSourceLabel = 1029;  // "CD/DVD ROM Drive"
inline constexpr int kMediaLabel = 1030;   // "Media Type"
inline constexpr int kDriveLabel = 1031;   // "Hard Drive"
inline constexpr int kGameNameLabel = 1032;
inline constexpr int kGameListLabel = 1033;  // "Game Installed List"
inline constexpr int kAboutPicture = 1034;
inline constexpr int kFormatText = 1035;
inline constexpr int kStatusLine = 1036;
inline constexpr int kWebSiteLabel = 1043;  // "Web Site :"

// The drive dialog (template 130) and the rename dialog (template 131).
inline constexpr int kDriveListBox = 1019;
inline constexpr int kNewNameEdit = 1020;
inline constexpr int kOkButton = 1021;
inline constexpr int kCancelButton = 1022;

// The progress window (template 132).
inline constexpr int kProgressBar = 1013;
inline constexpr int kProgressText = 1020;
inline constexpr int kProgressButton = 2;  // the dialog's cancel command

// The list's context menu (menu 134).
inline constexpr int kDeleteCommand = 1001;
inline constexpr int kCopyCommand = 1002;
inline constexpr int kRenameCommand = 1003;
// After a separator: the selected game read through or written out as one
// image, and the check of the drive shown.
inline constexpr int kVerifyCommand = 1044;
inline constexpr int kExportCommand = 1045;
inline constexpr int kCheckDriveCommand = 1046;

}  // namespace control

}  // namespace ui
