#include "library/DatFile.h"

#include <pugixml.hpp>

#include <cstring>

#include "store/ShownText.h"

namespace {

bool sameHex(const char* attribute, const std::string& hex) {
    if (std::strlen(attribute) != hex.size())
        return false;
    for (std::size_t i = 0; i < hex.size(); ++i) {
        char c = attribute[i];
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != hex[i])
            return false;
    }
    return true;
}

bool romMatches(const pugi::xml_node& rom, const ImageDigests& digests, const std::string& crc,
                const std::string& md5, const std::string& sha1) {
    if (pugi::xml_attribute size = rom.attribute("size")) {
        if (std::strcmp(size.value(), std::to_string(digests.bytes).c_str()) != 0)
            return false;
    }
    int hashes = 0;
    const struct {
        const char* name;
        const std::string& value;
    } checks[] = {{"crc", crc}, {"md5", md5}, {"sha1", sha1}};
    for (const auto& check : checks) {
        if (pugi::xml_attribute given = rom.attribute(check.name)) {
            if (!sameHex(given.value(), check.value))
                return false;
            ++hashes;
        }
    }
    return hashes > 0;
}

}  // namespace

DatLookup lookUpInDat(const std::string& path, const ImageDigests& digests) {
    DatLookup lookup;
    // A folder or a FIFO is refused before it is opened: reading one would
    // fail oddly or wait for ever.
    const std::string kind = specialFileKind(path);
    if (!kind.empty() && kind != "a link to nothing") {
        lookup.error = "it is " + kind;
        return lookup;
    }
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_file(path.c_str());
    if (!parsed) {
        lookup.error = parsed.status == pugi::status_file_not_found ? "the file cannot be opened"
                                                                    : parsed.description();
        return lookup;
    }
    pugi::xml_node datafile = document.child("datafile");
    if (!datafile) {
        lookup.error = "it is not a Logiqx DAT file (no <datafile> element)";
        return lookup;
    }
    lookup.readable = true;
    const std::string crc = crc32Hex(digests.crc32);
    const std::string md5 = hexOf(digests.md5.data(), digests.md5.size());
    const std::string sha1 = hexOf(digests.sha1.data(), digests.sha1.size());
    for (pugi::xml_node game : datafile.children()) {
        if (std::strcmp(game.name(), "game") != 0 && std::strcmp(game.name(), "machine") != 0)
            continue;
        for (pugi::xml_node rom : game.children("rom")) {
            if (romMatches(rom, digests, crc, md5, sha1)) {
                lookup.matched = true;
                lookup.game = game.attribute("name").value();
                lookup.rom = rom.attribute("name").value();
                return lookup;
            }
        }
    }
    return lookup;
}
