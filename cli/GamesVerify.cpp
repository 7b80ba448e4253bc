// zt_games verify ROOT NAME [IMAGE] [--dat FILE] [--json]
#include <cstdio>

#include "cli/ExitCode.h"
#include "cli/GamesCommands.h"
#include "install/DiscDevice.h"
#include "library/DatFile.h"
#include "library/GameListText.h"
#include "library/GameVerify.h"
#include "store/DriveRoot.h"

namespace cli {

using namespace install;
using namespace library;
using namespace store;
using namespace report;
using namespace platform;

namespace {

std::string sectorText(const std::optional<std::uint64_t>& sector) {
    return sector ? std::to_string(*sector) : "null";
}

void printText(const VerifyReport& report, const std::optional<std::string>& imagePath,
               const std::optional<DatLookup>& dat, std::ostream& out) {
    const ImageDigests& d = report.digests;
    out << "Size: " << d.bytes << "\n";
    out << "CRC32: " << crc32Hex(d.crc32) << "\n";
    out << "MD5: " << hexOf(d.md5.data(), d.md5.size()) << "\n";
    out << "SHA1: " << hexOf(d.sha1.data(), d.sha1.size()) << "\n";
    if (imagePath) {
        if (report.firstDifferentSector) {
            out << "Image: differs from " << printableText(*imagePath) << " from sector "
                << *report.firstDifferentSector << "\n";
        } else {
            out << "Image: identical to " << printableText(*imagePath) << "\n";
        }
    }
    if (dat) {
        if (dat->matched) {
            out << "DAT: " << printableText(dat->game) << " (" << printableText(dat->rom) << ")\n";
        } else {
            out << "DAT: no entry matches\n";
        }
    }
}

void printJson(const std::string& name, const VerifyReport& report,
               const std::optional<std::string>& imagePath, const std::optional<DatLookup>& dat,
               std::ostream& out) {
    const ImageDigests& d = report.digests;
    out << "{\"name\": " << jsonString(name) << ", \"size\": " << d.bytes
        << ", \"parts\": " << report.parts << ", \"crc32\": \"" << crc32Hex(d.crc32)
        << "\", \"md5\": \"" << hexOf(d.md5.data(), d.md5.size()) << "\", \"sha1\": \""
        << hexOf(d.sha1.data(), d.sha1.size()) << "\"";
    out << ", \"damage\": " << (report.damage.empty() ? "null" : jsonString(report.damage));
    if (imagePath) {
        out << ", \"image\": {\"path\": " << jsonString(*imagePath)
            << ", \"identical\": " << (report.firstDifferentSector ? "false" : "true")
            << ", \"firstDifferentSector\": " << sectorText(report.firstDifferentSector) << "}";
    }
    if (dat) {
        out << ", \"dat\": ";
        if (dat->matched) {
            out << "{\"game\": " << jsonString(dat->game) << ", \"rom\": " << jsonString(dat->rom)
                << "}";
        } else {
            out << "null";
        }
    }
    out << "}\n";
}

}  // namespace

int verifyCommand(const std::vector<std::string>& ops, const CommandLine& line, FrontEnd frontEnd) {
    const std::string root = normalizeRoot(ops[1]);
    const std::string& name = ops[2];
    std::optional<std::string> imagePath;
    std::unique_ptr<DiscDevice> device;
    ImageReader reader;
    if (ops.size() > 3) {
        imagePath = ops[3];
        DiscOpenResult opened = openDiscDevice(*imagePath);
        if (!opened) {
            // The system's reason for a file that cannot be opened is not said here.
            const store::Failure<DiscOpenStep>& failure = opened.failure();
            const bool said = failure.step != DiscOpenStep::Open && !failure.reason.empty();
            frontEnd.boxes.show("The image " + printableText(*imagePath) + " cannot be read" +
                                (said ? ": " + failure.reason : "") + ".");
            return kExitFailure;
        }
        device = std::move(opened).value();
        reader = [&device](std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
            return device->read(offset, buffer, length);
        };
    }
    // A DAT file that cannot be read is refused before the long read of the parts.
    const std::optional<std::string> datPath = line.value("--dat");
    if (datPath) {
        DatLookup probe = lookUpInDat(*datPath, ImageDigests{});
        if (!probe.readable) {
            frontEnd.boxes.show("The DAT file " + printableText(*datPath) +
                                " cannot be read: " + probe.error + ".");
            return kExitFailure;
        }
    }

    const VerifyResult verified = verifyGame(root, name, frontEnd, reader);
    if (!verified)
        return kExitFailure;
    const VerifyReport& report = verified.value();
    if (!report.damage.empty())
        frontEnd.status.setText(report.damage + ": the game is damaged.\n");
    std::optional<DatLookup> dat;
    if (datPath)
        dat = lookUpInDat(*datPath, report.digests);
    if (line.has("--json")) {
        printJson(name, report, imagePath, dat, frontEnd.out);
    } else {
        printText(report, imagePath, dat, frontEnd.out);
    }
    const bool good = report.damage.empty() && !report.firstDifferentSector &&
                      (!dat || (dat->readable && dat->matched));
    return good ? kExitSuccess : kExitFailure;
}

}  // namespace cli
