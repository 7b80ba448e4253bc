#include "store/TakenPartNames.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/Files.h"
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "report/ShownText.h"
#include "store/PartNaming.h"
#include "store/VolumeDescriptor.h"

namespace store {

using namespace platform;
using namespace report;

namespace {

constexpr std::uint64_t kPartBytes = std::uint64_t{1} << 30;

const char* kCheckHint =
    "; nothing was written. The drive's check records a whole game again and clears what a "
    "stopped command left (\"Check Drive\" in the window, zt_games check --yes on the command "
    "line).";

std::optional<std::int32_t> volumeOfFirstPart(const std::string& path) {
    const std::optional<std::vector<std::uint8_t>> sector = platform::readRegularFileAt(
        path, std::uint64_t{kDescriptorSector} * kDiscSectorBytes, kDiscSectorBytes);
    if (!sector || sector->size() != kDiscSectorBytes)
        return std::nullopt;
    return volumeSectors(sector->data());
}

// The parts at `paths` that no record names, from part .00 on without a
// gap, hold the whole disc that part .00 describes.
bool makeWholeGame(const std::vector<std::string>& paths, const std::set<std::string>& owned,
                   std::int32_t volume) {
    std::uint64_t bytes = 0;
    for (const std::string& path : paths) {
        const std::optional<std::uint64_t> size = platform::regularFileSize(path);
        if (owned.count(path) != 0 || !size || *size == 0 || *size > kPartBytes)
            break;
        bytes += *size;
        if (*size < kPartBytes)
            break;
    }
    const std::int32_t needed = volume > kMissableEndSectors ? volume - kMissableEndSectors : 0;
    return bytes >= std::uint64_t(needed) * kDiscSectorBytes;
}

}  // namespace

TakenPartName firstKeptFileAt(const std::string& root, const std::vector<std::string>& paths,
                              const std::vector<GameEntry>& records,
                              const StartOfPart& startOfPart) {
    std::set<std::string> owned;
    for (const GameEntry& record : records) {
        for (const std::string& path : partFilesOf(root, record).paths)
            owned.insert(path);
    }
    // What the new game's part .00 name holds speaks for the parts after it.
    // The sectors of the disc that part .00 describes; 0 when it holds no descriptor.
    const std::int32_t volume = paths.empty() ? 0 : volumeOfFirstPart(paths[0]).value_or(0);
    const bool whole =
        volume > 0 && owned.count(paths[0]) == 0 && makeWholeGame(paths, owned, volume);
    const bool sameGame = startOfPart && !paths.empty() && owned.count(paths[0]) == 0 &&
                          platform::regularFileSize(paths[0]) && startOfPart(0, paths[0]);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        std::error_code error;
        const std::filesystem::file_status status =
            std::filesystem::symlink_status(platform::fsPath(path), error);
        // A link is replaced itself, never written through: nothing it names is lost.
        if (owned.count(path) != 0 || !std::filesystem::exists(status) ||
            std::filesystem::is_symlink(status))
            continue;
        TakenPartName taken{path, false, ""};
        if (!std::filesystem::is_regular_file(status)) {
            taken.text = "The file name " + escapeControls(path) + " is taken by " +
                         specialFileKind(path) + kCheckHint;
            return taken;
        }
        const std::uint64_t size = platform::regularFileSize(path).value_or(0);
        if (sameGame || (startOfPart && startOfPart(i, path)))
            continue;
        if (whole) {
            taken.wholeGame = true;
            taken.text = "The file " + escapeControls(path) + " is a part of a whole game (" +
                         std::to_string(volume) + " sectors) that no record names" + kCheckHint;
            return taken;
        }
        if (size != 0 && volume == 0) {
            taken.text = "The file " + escapeControls(path) +
                         " is there, and it is no part that a stopped install or copy of this "
                         "game left" +
                         kCheckHint;
            return taken;
        }
    }
    return {};
}

}  // namespace store
