#include "library/DatFile.h"

#include <fstream>
#include <iterator>

#include "library/DatXml.h"

#include "report/ShownText.h"

namespace library {

using namespace report;

namespace {

bool sameHex(const std::string& attribute, const std::string& hex) {
    if (attribute.size() != hex.size())
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

bool romMatches(const XmlElement& rom, const ImageDigests& digests, const std::string& crc,
                const std::string& md5, const std::string& sha1) {
    if (const std::string* size = rom.attribute("size")) {
        if (*size != std::to_string(digests.bytes))
            return false;
    }
    int hashes = 0;
    const struct {
        const char* name;
        const std::string& value;
    } checks[] = {{"crc", crc}, {"md5", md5}, {"sha1", sha1}};
    for (const auto& check : checks) {
        if (const std::string* given = rom.attribute(check.name)) {
            if (!sameHex(*given, check.value))
                return false;
            ++hashes;
        }
    }
    return hashes > 0;
}

std::string valueOf(const XmlElement& element, const char* name) {
    const std::string* value = element.attribute(name);
    return value != nullptr ? *value : std::string();
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
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        lookup.error = "the file cannot be opened";
        return lookup;
    }
    const store::Result<XmlElement, XmlStep> parsed = parseXml(text);
    if (!parsed) {
        lookup.error = parsed.failure().reason;
        return lookup;
    }
    const XmlElement& datafile = parsed.value();
    if (datafile.name != "datafile") {
        lookup.error = "it is not a Logiqx DAT file (no <datafile> element)";
        return lookup;
    }
    lookup.readable = true;
    const std::string crc = crc32Hex(digests.crc32);
    const std::string md5 = hexOf(digests.md5.data(), digests.md5.size());
    const std::string sha1 = hexOf(digests.sha1.data(), digests.sha1.size());
    for (const XmlElement& game : datafile.children) {
        if (game.name != "game" && game.name != "machine")
            continue;
        for (const XmlElement& rom : game.children) {
            if (rom.name == "rom" && romMatches(rom, digests, crc, md5, sha1)) {
                lookup.matched = true;
                lookup.game = valueOf(game, "name");
                lookup.rom = valueOf(rom, "name");
                return lookup;
            }
        }
    }
    return lookup;
}

}  // namespace library
