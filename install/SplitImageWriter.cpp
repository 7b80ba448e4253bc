#include "install/SplitImageWriter.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "install/DiscSource.h"
#include "platform/FaultPoint.h"
#include "store/PartNaming.h"

namespace install {

using namespace platform;
using namespace store;
using namespace report;

namespace {

// Lets a sector read that gives up drop the part being written, for as long as the copy runs.
class GiveUpGuard {
  public:
    GiveUpGuard(DiscSource& source, PartsInProgress& parts) : source_(source) {
        source_.setGiveUpAction([&parts] { parts.discardCurrent(); });
    }
    ~GiveUpGuard() { source_.setGiveUpAction({}); }
    GiveUpGuard(const GiveUpGuard&) = delete;
    GiveUpGuard& operator=(const GiveUpGuard&) = delete;

  private:
    DiscSource& source_;
};

// The file and the system's reason for its last failed operation.
std::string problem(const std::string& path) {
    return path + ": " + platform::lastErrorText();
}

}  // namespace

bool SplitImageWriter::fail(const char* status, const char* box, const std::string& detail) {
    if (status != nullptr)
        ui_.status.setText(status);
    ui_.boxes.show(detail.empty() ? std::string(box) : std::string(box) + "\n" + detail);
    ui_.progress.hide();
    return false;
}

void SplitImageWriter::showProgress(std::int64_t kilobytes, double totalMegabytes) {
    char line[96];
    std::snprintf(line, sizeof line, "COPYING: %.2fMB/%.2fMB\r", kilobytes / 1024.0,
                  totalMegabytes);
    ui_.out << line << std::flush;
    ui_.progress.setPosition(static_cast<int>(kilobytes / 1024));
}

bool SplitImageWriter::openNextPart(const std::optional<std::string>& path,
                                    const std::string& shown, std::int64_t partSectors) {
    PartFile& part = parts_.currentPartFile;
    if (!part.close())
        return fail("Cannot write data", "Cannot write data!", problem(part.path()));
    bool opened = path && part.open(*path, std::uint64_t(partSectors) * 2048);
    ui_.progress.setText("Installing " + path.value_or(shown));
    if (!opened)
        return fail("\nCannot write file\n", "Cannot write file", problem(path.value_or(shown)));
    parts_.createdParts.push_back(*path);
    return true;
}

bool SplitImageWriter::copy(const DiscInfo& disc, const std::string& prefix, int& partCount) {
    return copy(
        disc, [&prefix](int index) { return partFilePath(prefix, index); }, prefix, partCount);
}

bool SplitImageWriter::copy(const DiscInfo& disc, const PartName& partName,
                            const std::string& shown, int& partCount) {
    partCount = 0;
    if (disc.source == nullptr)
        return false;
    DiscSource& source = *disc.source;
    GiveUpGuard guard(source, parts_);
    PartFile& part = parts_.currentPartFile;

    const std::int32_t sectors = disc.sectorCount;
    const double totalMegabytes = sectors * 2.0 / 1024.0;
    ui_.progress.show();
    ui_.progress.clearCancel();
    ui_.progress.setRange(static_cast<int>(std::int64_t{sectors} * 2 / 1024));
    ui_.progress.setSize(std::uint64_t(sectors) * DiscSource::kSectorSize);
    ui_.progress.bringToFront();

    bool partDue = true;
    std::int32_t sectorsInPart = 0;
    std::int64_t kilobytes = 0;
    std::uint8_t updateCounter = 0;
    for (std::int32_t lba = 0; lba < sectors; ++lba) {
        if (updateCounter == 0)
            showProgress(kilobytes, totalMegabytes);
        updateCounter = static_cast<std::uint8_t>(updateCounter + 1);

        if (partDue) {
            const std::int64_t partSectors =
                std::min<std::int64_t>(kPartSectors, std::int64_t{sectors} - lba);
            if (!openNextPart(partName(partCount), shown, partSectors))
                return false;
            ++partCount;
            partDue = false;
        }

        if (ui_.progress.cancelRequested()) {
            part.abandon();
            ui_.progress.hide();  // the window hides itself; a console bar needs erasing
            return false;
        }

        // At the start of each progress step, the whole step is copied inside
        // the kernel where the source allows it; the sector loop below stays
        // for everything else and for a step whose copy failed.
        if (updateCounter == 1 && source.copySectors(lba, kUpdateInterval, sectors, part)) {
            lba += kUpdateInterval - 1;
            kilobytes += 2 * kUpdateInterval;
            sectorsInPart += kUpdateInterval;
            if (sectorsInPart == kPartSectors) {
                sectorsInPart = 0;
                partDue = true;
            }
            updateCounter = 0;
            continue;
        }

        const std::uint8_t* data = source.readSector(lba, sectors);
        if (data == nullptr)
            return fail(nullptr, "Read Error!");

        if (!part.write(data, DiscSource::kSectorSize)) {
            const std::string detail = problem(part.path());
            part.abandon();
            return fail("Cannot write data", "Cannot write data!", detail);
        }
        if (++sectorsInPart == kPartSectors) {
            sectorsInPart = 0;
            partDue = true;
        }
        kilobytes += 2;
    }

    ui_.out << "\n" << std::flush;
    if (!part.close())
        return fail("Cannot write data", "Cannot write data!", problem(part.path()));
    ui_.progress.setButtonCaption("OK");
    return true;
}

}  // namespace install
