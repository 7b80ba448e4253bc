#pragma once
// The two small modal dialogs of the native window, the drive dialog
// (template 130) and the rename dialog (template 131), and the system's
// file dialogs as the core describes them.

#include <windows.h>

#include <string>
#include <vector>

#include "ui/DriveList.h"
#include "ui/FileDialogs.h"

namespace ui::win32 {

// The drive dialog over `rows`: the chosen row's key; empty after Cancel.
std::string chooseDrive(HWND owner, const std::vector<DriveRow>& rows);

// The new name typed, as UTF-8; nothing after Cancel.
bool askNewName(HWND owner, std::string& newName);

// The system's open or save dialog as the core describes it: the chosen
// paths, empty when the user cancels; `tooMany` is set when the names chosen
// do not fit the dialog's buffer, which the dialog then reports instead of a
// choice.
struct FileChoice {
    std::vector<std::string> paths;
    bool tooMany = false;
};
FileChoice chooseFiles(HWND owner, const FileDialogLook& dialog);

}  // namespace ui::win32
