#pragma once
// The system's file dialogs as the window core describes them, so that every
// window offers the same: the title, the filters, the folder it opens in, the
// name it offers and the suffix it adds. A toolkit only draws them. No toolkit.

#include <string>
#include <vector>

namespace ui {

struct FileFilter {
    std::string name;                     // "Disc images"
    std::vector<std::string> extensions;  // "iso", ...; empty: every file
};

struct FileDialogLook {
    enum class Kind {
        Open,      // one existing file
        OpenMany,  // one or more existing files at once
        Save,      // a file to write; the job asks before it replaces one
    };
    Kind kind = Kind::Open;
    std::string title;
    std::vector<FileFilter> filters;  // in the order offered, the first chosen
    std::string folder;               // where it opens; empty: the system's choice
    std::string name;                 // the name it offers; empty: none
    std::string suffix;               // added to a name typed without one; empty: none
};

// The open dialog for disc images, opening in `folder`; `many`: several may
// be chosen at once.
FileDialogLook imageDialog(const std::string& folder, bool many);

// The save dialog of a game's export, offering `name` in `homeFolder`, the
// person's home folder, and adding ".iso" to a name typed without a suffix.
FileDialogLook exportDialog(const std::string& name, const std::string& homeFolder);

}  // namespace ui
