#pragma once
// The texts and looks the main window shows beyond its templates: tab
// captions, media types, the list's columns, the format page's text, the
// web link's look, and which controls each page shows. No toolkit: every
// window of the program shows the same.

#include <span>
#include <string>
#include <vector>

namespace ui {

// The tabs of the main window, in their order.
enum class Page { Installer = 0, Format = 1, About = 2 };

// "Games Installer", "Disk Format", "About".
const std::vector<std::string>& tabCaptions();

// The media box's items: "CD", "DVD" (WindowInput::media indexes them).
const std::vector<std::string>& mediaTypes();
inline constexpr int kCdMediaItem = 0;
inline constexpr int kDvdMediaItem = 1;

// The last item of the source box, which opens the file dialog.
inline constexpr const char* kImageFileItem = "Image file...";

// One column of the list of installed games.
struct ListColumn {
    const char* title;
    int width;  // pixels
};
std::span<const ListColumn> gameListColumns();

// The format page's text (control 1035).
extern const char* const kFormatPageText;

// The web link on the About page, drawn by the window itself.
struct LinkLook {
    const char* face;
    int fontHeight;  // pixels
    bool bold;
    bool underline;
    unsigned normalColour;  // 0xRRGGBB
    unsigned hoverColour;
    int width, height;           // pixels
    int cursorHotX, cursorHotY;  // the hot spot of the hand cursor (cursor 136)
};
const LinkLook& linkLook();

// The controls each page shows (the tab control and the window's own stay).
std::span<const int> pageControls(Page page);

// The file dialog for a disc image: its title, and the filter it offers
// (by name and extensions) before one for every file.
inline constexpr const char* kImageDialogTitle = "Image file";
inline constexpr const char* kImageFilterName = "Disc images";
inline constexpr const char* kImageExtensions[] = {"iso", "img", "bin", "cue"};
inline constexpr const char* kAllFilesFilterName = "All files";
// Said when more images were chosen at once than the dialog can return.
inline constexpr const char* kTooManyImagesChosen =
    "Too many images were chosen at once.\nChoose fewer, or drop them on the window.";
// The save dialog of a game's export.
inline constexpr const char* kExportDialogTitle = "Export";

// The copy's progress window's title; the install's is template 132's.
inline constexpr const char* kCopyProgressTitle = "copy";

}  // namespace ui
