#include "library/InstalledImage.h"

#include <algorithm>
#include <cstdio>

#include "library/GameFiles.h"
#include "library/LostGames.h"
#include "library/ShownFailure.h"
#include "platform/Volume.h"
#include "store/DriveRoot.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

FoundImage findInstalledImage(const std::string& root, const std::string& name,
                              const FrontEnd& frontEnd, const char* purpose) {
    TableContents table = readTableFile(tablePath(root));
    if (table.exists && !table.opened)
        return shownFailure(frontEnd, ImageStep::TableUnreadable, tablePath(root),
                            tableNotReadText(tablePath(root), table) + ".");
    auto found = std::find_if(table.records.begin(), table.records.end(),
                              [&](const GameEntry& entry) { return hasName(entry, name); });
    if (found == table.records.end())
        return shownFailure(frontEnd, ImageStep::NotFound, name, gameNotFoundText(name));
    InstalledImage image;
    image.record = *found;
    PartFiles files = partFilesOf(root, image.record);
    if (!files.valid || files.paths.empty())
        return shownFailure(
            frontEnd, ImageStep::Damaged, name,
            "The record of game " + name + " is damaged; it cannot be " + purpose + ".");
    for (std::size_t i = 0; i < files.paths.size(); ++i) {
        std::optional<std::uint64_t> size = platform::regularFileSize(files.paths[i]);
        if (!size)
            return shownFailure(frontEnd, ImageStep::PartMissing, files.paths[i],
                                "The part file " + files.paths[i] + " of game " + name +
                                    " is missing; the game cannot be " + purpose + ".");
        const bool last = i + 1 == files.paths.size();
        if (image.damage.empty() &&
            ((!last && *size != kPartBytes) || (last && (*size == 0 || *size > kPartBytes)))) {
            char text[64];
            std::snprintf(text, sizeof text, " holds %llu bytes",
                          static_cast<unsigned long long>(*size));
            image.damage = "The part file " + files.paths[i] + text +
                           (last ? ", which no last part holds" : " instead of 1073741824");
        }
        image.parts.push_back(files.paths[i]);
        image.sizes.push_back(*size);
        image.bytes += *size;
    }
    if (image.damage.empty()) {
        // Parts of the right sizes may still end before the disc that part .00
        // describes: the last one was cut short.
        std::vector<FoundPart> found;
        for (std::size_t i = 0; i < image.parts.size(); ++i)
            found.push_back({image.parts[i], image.parts[i], image.sizes[i]});
        if (std::string problem = shortPartsProblem(found); !problem.empty())
            image.damage =
                "The part file " + image.parts.back() + " ends short of the disc (" + problem + ")";
    }
    return image;
}

ImageProgress::ImageProgress(ProgressWindow& window, const std::string& text,
                             std::uint64_t totalBytes)
    : window_(window) {
    window_.clearCancel();
    window_.setText(text);
    window_.setButtonCaption("Cancel");
    window_.setRange(static_cast<int>(totalBytes >> 20));  // megabytes: 10 parts fit an int
    window_.setPosition(0);
    window_.show();
}

void ImageProgress::setBytesDone(std::uint64_t bytes) {
    window_.setPosition(static_cast<int>(bytes >> 20));
}

}  // namespace library
