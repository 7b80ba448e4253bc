#include "install/IdentifyDisc.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "install/BootValue.h"
#include "report/ShownText.h"
#include "store/LittleEndian.h"
#include "store/VolumeDescriptor.h"

namespace install {

using namespace store;
using namespace report;
using namespace platform;

namespace {

// Identification reads before the disc's size is known; this stands for it.
constexpr std::int32_t kAssumedSectors = 999;

// Primary volume descriptor field.
constexpr std::size_t kRootRecord = 156;  // the root directory's 34-byte record

// Directory record fields.
constexpr std::size_t kRecordExtent = 2;   // u32 LE
constexpr std::size_t kRecordLength = 10;  // u32 LE, bytes
constexpr std::size_t kRecordFlags = 25;
constexpr std::size_t kRecordNameLength = 32;
constexpr std::size_t kRecordName = 33;
constexpr std::uint8_t kFlagDirectory = 0x02;

// No real root directory comes near this; it bounds the scan of a damaged one.
constexpr std::uint32_t kMaxDirectorySectors = 1024;
// A real SYSTEM.CNF is a few hundred bytes.
constexpr std::uint32_t kMaxSystemCnfBytes = 65536;

constexpr const char* kNoAccess = "Unable to access source drive\n";
constexpr const char* kInvalid = "Invalid disc\n";
constexpr const char* kNoDescriptor =
    "There is no ISO 9660 volume descriptor at sector 16: this is no image of a game disc.\n";
constexpr const char* kNoRoot =
    "The ISO 9660 volume descriptor at sector 16 names no valid root directory.\n";
constexpr const char* kNoSystemCnf = "SYSTEM.CNF does not exist on CD/DVD\n";
constexpr const char* kTruncated = "SYSTEM.CNF is truncated\n";
constexpr const char* kDamaged = "SYSTEM.CNF is damaged\n";

struct Extent {
    std::uint32_t lba = 0;
    std::uint32_t bytes = 0;
};

std::uint32_t sectorsOf(std::uint32_t bytes) {
    return bytes / DiscSource::kSectorSize + (bytes % DiscSource::kSectorSize != 0 ? 1 : 0);
}

// True when the extent lies wholly inside the volume.
bool insideVolume(const Extent& extent, std::int32_t sectorCount) {
    std::uint64_t end = std::uint64_t{extent.lba} + sectorsOf(extent.bytes);
    return end <= static_cast<std::uint64_t>(sectorCount);
}

// "SYSTEM.CNF;1" and "system.cnf" name the file; the version suffix is ignored.
bool namesSystemCnf(std::string_view name) {
    name = name.substr(0, name.find(';'));
    constexpr std::string_view kName = "SYSTEM.CNF";
    return name.size() == kName.size() &&
           std::equal(name.begin(), name.end(), kName.begin(), [](char a, char b) {
               return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a) == b;
           });
}

enum class Lookup { Found, Missing, ReadFailed };

// Scans the root directory for SYSTEM.CNF.
Lookup findSystemCnf(DiscSource& source, const Extent& root, std::int32_t sectorCount,
                     Extent& file) {
    std::uint32_t sectors = std::min(sectorsOf(root.bytes), kMaxDirectorySectors);
    std::uint32_t remaining = root.bytes;
    for (std::uint32_t s = 0; s < sectors; ++s) {
        const std::uint8_t* sector =
            source.readSector(static_cast<std::int32_t>(root.lba + s), sectorCount);
        if (sector == nullptr)
            return Lookup::ReadFailed;
        std::size_t limit = std::min<std::uint32_t>(remaining, DiscSource::kSectorSize);
        remaining -= static_cast<std::uint32_t>(limit);
        std::size_t pos = 0;
        // Records never cross a sector boundary; a zero length byte pads to its end.
        while (pos + kRecordName <= limit) {
            std::size_t length = sector[pos];
            if (length < kRecordName || pos + length > limit)
                break;
            std::size_t nameLength = sector[pos + kRecordNameLength];
            if (kRecordName + nameLength <= length &&
                (sector[pos + kRecordFlags] & kFlagDirectory) == 0) {
                std::string_view name(reinterpret_cast<const char*>(sector + pos + kRecordName),
                                      nameLength);
                if (namesSystemCnf(name)) {
                    file.lba = readLe32(sector + pos + kRecordExtent);
                    file.bytes = readLe32(sector + pos + kRecordLength);
                    return Lookup::Found;
                }
            }
            pos += length;
        }
    }
    return Lookup::Missing;
}

// Reads a whole file; false when a read gave up.
bool readFile(DiscSource& source, const Extent& file, std::int32_t sectorCount,
              std::string& contents) {
    contents.clear();
    std::uint32_t remaining = file.bytes;
    for (std::uint32_t s = 0; remaining > 0; ++s) {
        const std::uint8_t* sector =
            source.readSector(static_cast<std::int32_t>(file.lba + s), sectorCount);
        if (sector == nullptr)
            return false;
        std::uint32_t take = std::min<std::uint32_t>(remaining, DiscSource::kSectorSize);
        contents.append(reinterpret_cast<const char*>(sector), take);
        remaining -= take;
    }
    return true;
}

// Says `text` on the status line, closes the source and returns the failure
// of `step`, whose reason is the text said and `why` after it.
IdentifyResult fail(DiscSource& source, StatusLine& status, IdentifyStep step,
                    const std::string& path, const std::string& text, const char* why = "") {
    if (!text.empty())
        status.setText(text);
    source.close();
    return store::Failure<IdentifyStep>{step, path, text + why};
}

// Says that `path` cannot be opened: the system's reason for it, else what
// the opener found wrong with it.
IdentifyResult openFailed(StatusLine& status, const std::string& path,
                          const store::Failure<DiscOpenStep>& failure) {
    status.setText(kNoAccess);
    std::string reason = kNoAccess;
    if (failure.step == DiscOpenStep::Open) {
        if (!failure.reason.empty())
            reason = escapeControls(path) + ": " + failure.reason + "\n";
    } else {
        reason = "The image cannot be installed: " + failure.reason + "\n";
        status.setText(reason);
    }
    return store::Failure<IdentifyStep>{IdentifyStep::Open, path, reason};
}

// The sectors to copy: the image or medium whole, as a dual-layer DVD's
// descriptor covers only its first layer. A medium shorter than its volume
// lacks data, except for the last sectors, which many discs cannot give:
// `incomplete` then says so.
std::int32_t sectorsToCopy(DiscSource& source, std::int32_t sectorCount, std::string& incomplete) {
    const std::optional<std::uint64_t> bytes = source.mediumSize();
    if (!bytes)
        return sectorCount;
    const std::uint64_t sectors = (*bytes + DiscSource::kSectorSize - 1) / DiscSource::kSectorSize;
    if (sectors + kMissableEndSectors < static_cast<std::uint64_t>(sectorCount)) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "The image ends %llu sectors before its volume of %d sectors: it is "
                      "incomplete\n",
                      static_cast<unsigned long long>(sectorCount - sectors), sectorCount);
        incomplete = text;
    }
    if (sectors > static_cast<std::uint64_t>(sectorCount))
        return sectors > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(sectors);
    return sectorCount;
}

}  // namespace

IdentifyResult identifyDisc(DiscSource& source, const std::string& path, StatusLine& status) {
    status.setText(kCheckingDisc);
    if (store::Outcome<DiscOpenStep> opened = source.open(path); !opened)
        return openFailed(status, path, opened.failure());

    const std::uint8_t* descriptor = source.readSector(kDescriptorSector, kAssumedSectors);
    if (descriptor == nullptr)
        return fail(source, status, IdentifyStep::Read, path, {});
    const std::optional<std::int32_t> volumeSize = volumeSectors(descriptor);
    if (!volumeSize)
        return fail(source, status, IdentifyStep::Volume, path, kInvalid, kNoDescriptor);
    const std::int32_t sectorCount = *volumeSize;
    // Before any file is looked for: a file in the missing tail reads as damaged.
    std::string incomplete;
    const std::int32_t copied = sectorsToCopy(source, sectorCount, incomplete);
    if (!incomplete.empty())
        return fail(source, status, IdentifyStep::Incomplete, path, incomplete);

    const std::uint8_t* rootRecord = descriptor + kRootRecord;
    Extent root{readLe32(rootRecord + kRecordExtent), readLe32(rootRecord + kRecordLength)};
    if (rootRecord[0] < 34 || (rootRecord[kRecordFlags] & kFlagDirectory) == 0 || root.bytes == 0 ||
        !insideVolume(root, sectorCount))
        return fail(source, status, IdentifyStep::Volume, path, kInvalid, kNoRoot);

    Extent file;
    switch (findSystemCnf(source, root, sectorCount, file)) {
        case Lookup::ReadFailed:
            return fail(source, status, IdentifyStep::Read, path, {});
        case Lookup::Missing:
            return fail(source, status, IdentifyStep::SystemCnf, path, kNoSystemCnf);
        case Lookup::Found:
            break;
    }
    if (file.bytes == 0)
        return fail(source, status, IdentifyStep::SystemCnf, path, kTruncated);
    if (file.bytes > kMaxSystemCnfBytes || !insideVolume(file, sectorCount)) {
        return fail(source, status, IdentifyStep::SystemCnf, path, kDamaged);
    }

    std::string contents;
    if (!readFile(source, file, sectorCount, contents))
        return fail(source, status, IdentifyStep::Read, path, {});
    std::optional<std::string_view> value = findBootValue(contents);
    if (!value)
        return fail(source, status, IdentifyStep::SystemCnf, path, kDamaged);

    DiscInfo info;
    info.gameId = gameIdFromBootValue(*value);
    info.sectorCount = copied;
    info.source = &source;
    status.setText("");
    return info;
}

}  // namespace install
