#pragma once
// What the window makes of a disc image file the user picked, through the
// file dialog or by dropping it onto the window. No toolkit.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "install/InstallQueue.h"

namespace ui {

// The name the window starts with in its game name box.
inline constexpr const char* kInitialGameName = "Game1";

// The game name after the image at `imagePath` was picked: the file's name
// without its last extension, cut to the 31 bytes a game name holds, while
// `current` is still the initial name or the one an earlier image gave
// (`lastFilled`); otherwise what the user typed stays.
std::string gameNameForImage(const std::string& current, const std::string& lastFilled,
                             const std::string& imagePath);

// The source box's items before "Image file...": the optical drives and the
// images chosen this session, each once, in sorted order.
std::vector<std::string> sourceItems(const std::vector<std::string>& opticalDrives,
                                     const std::vector<std::string>& images);

// An item of the source box as every window shows it.
struct SourceRow {
    std::string item;     // the drive's device or the image's path, as the core names it
    std::string text;     // what the box shows
    std::string tooltip;  // the whole item where the text is shorter; else empty
};

// How the source box shows `item`: an optical drive by the system's name for
// it ("\\.\D:" as "D:", "/dev/sr0" as it is), an image (`image`) by its
// file's name, the box's own items ("Image file...", "3 images") as they are.
std::string shownSourceName(const std::string& item, bool image);

// The source box's rows for its `items`, of which `images` are images.
std::vector<SourceRow> sourceRows(const std::vector<std::string>& items,
                                  const std::vector<std::string>& images);

// The images a drop onto the window carries: the files among what was
// dropped, in its order (folders are left out); empty, and the drop is
// refused, when there is none.
std::vector<std::string> droppedImages(const std::vector<std::string>& paths);

// The folder the file dialog opens in after `imagePath` was picked.
std::string folderOfImage(const std::string& imagePath);

}  // namespace ui
