#include "ui/FileDialogs.h"

#include <iterator>

#include "ui/WindowTexts.h"

namespace ui {

FileDialogLook imageDialog(const std::string& folder, bool many) {
    FileDialogLook dialog;
    dialog.kind = many ? FileDialogLook::Kind::OpenMany : FileDialogLook::Kind::Open;
    dialog.title = kImageDialogTitle;
    dialog.filters = {
        {kImageFilterName, {std::begin(kImageExtensions), std::end(kImageExtensions)}},
        {kAllFilesFilterName, {}}};
    dialog.folder = folder;
    return dialog;
}

FileDialogLook exportDialog(const std::string& name, const std::string& homeFolder) {
    FileDialogLook dialog;
    dialog.kind = FileDialogLook::Kind::Save;
    dialog.title = kExportDialogTitle;
    dialog.filters = {{kImageFilterName, {"iso"}}, {kAllFilesFilterName, {}}};
    dialog.folder = homeFolder;
    dialog.name = name;
    dialog.suffix = "iso";
    return dialog;
}

}  // namespace ui
