#include "library/GameFiles.h"

#include "platform/Volume.h"

namespace library {

using namespace platform;
using namespace report;
using namespace store;

PartPresence findPartFiles(const std::vector<std::string>& paths) {
    PartPresence presence;
    for (const std::string& path : paths) {
        if (std::optional<std::uint64_t> size = platform::regularFileSize(path)) {
            presence.bytes += *size;
        } else {
            ++presence.missing;
        }
    }
    return presence;
}

bool requireSelection(const std::optional<std::string>& selected, const FrontEnd& frontEnd) {
    if (selected)
        return true;
    frontEnd.boxes.show(kSelectGameText);
    return false;
}

std::string gameNotFoundText(const std::string& name) {
    return "The game " + name + " was not found.";
}

std::string gameDamagedText(const std::string& name) {
    return "The record of game " + name + " is damaged; its files are left alone.";
}

}  // namespace library
