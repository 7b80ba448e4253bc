#pragma once
// The two small modal dialogs of the native window: the drive dialog
// (template 130) and the rename dialog (template 131).

#include <windows.h>

#include <string>
#include <vector>

#include "ui/DriveList.h"

// The drive dialog over `rows`: the chosen row's key; empty after Cancel.
std::string chooseDrive(HWND owner, const std::vector<DriveRow>& rows);

// The new name typed, as UTF-8; nothing after Cancel.
bool askNewName(HWND owner, std::string& newName);

// A disc image chosen through the system's open dialog, starting in `folder`
// (empty: the system's choice); empty when the user cancels.
std::string chooseImageFile(HWND owner, const std::string& folder);

// Disc images chosen at once through the same dialog: their paths, empty
// when the user cancels; `tooMany` is set when the names chosen do not fit
// the dialog's buffer, which the dialog then reports instead of a choice.
struct ChosenImages {
    std::vector<std::string> paths;
    bool tooMany = false;
};
ChosenImages chooseImageFiles(HWND owner, const std::string& folder);

// The file a game is exported to, through the system's save dialog offering
// `suggested`; empty when the user cancels. Replacing a file is asked by the export.
std::string chooseExportFile(HWND owner, const std::string& suggested);
