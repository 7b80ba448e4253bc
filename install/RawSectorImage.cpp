#include "install/RawSectorImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "install/CueSheet.h"
#include "platform/FaultPoint.h"
#include "platform/PathText.h"
#include "platform/RawFile.h"
#include "report/ShownText.h"

namespace install {

using namespace platform;
using namespace report;

namespace {

constexpr std::uint8_t kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int kUserBytes = 2048;
// Raw sectors read per request, while checking and while reading.
constexpr std::size_t kBatchSectors = 64;

// A file name from a sheet or a path, made safe to show.
std::string shown(const std::string& text) {
    std::string out;
    for (char c : text)
        out += (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) ? c : '?';
    return out;
}

bool endsWithCue(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string suffix = path.substr(path.size() - 4);
    for (char& c : suffix) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return suffix == ".cue";
}

std::optional<std::uint64_t> regularSize(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(platform::fsPath(path), error))
        return std::nullopt;
    std::uintmax_t size = std::filesystem::file_size(platform::fsPath(path), error);
    if (error)
        return std::nullopt;
    return size;
}

// Where the user data of a raw sector starts, or -1 when the sector is not
// one of the track: no sync pattern, or a mode the track does not hold.
// Mode 0 sectors (empty, as in gaps) hold zeros.
int userDataOffset(const std::uint8_t* sector, int trackMode) {
    if (!hasSyncPattern(sector))
        return -1;
    const int mode = sector[kRawModeByte];
    if (mode == 0)
        return 0;
    if ((mode != 1 && mode != 2) || (trackMode != 0 && mode != trackMode))
        return -1;
    return mode == 1 ? kMode1DataOffset : kMode2DataOffset;
}

// Raw 2352-byte sectors, handed out as their 2048 bytes of user data.
class RawTrackDevice : public DiscDevice {
  public:
    RawTrackDevice(platform::RawFile file, const DataTrack& track)
        : file_(std::move(file)), track_(track), raw_(kBatchSectors * kRawSectorBytes) {}

    std::int64_t read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        std::size_t done = 0;
        while (done < length) {
            const std::uint64_t position = offset + done;
            const std::uint64_t sector = position / kUserBytes;
            if (sector >= track_.sectors)
                break;
            const std::size_t batch = static_cast<std::size_t>(
                std::min<std::uint64_t>(kBatchSectors, track_.sectors - sector));
            const std::size_t want = batch * kRawSectorBytes;
            std::int64_t got =
                file_.readAt(track_.start + sector * kRawSectorBytes, raw_.data(), want);
            if (got != static_cast<std::int64_t>(want))
                return -1;  // the file shrank or failed since it was checked
            for (std::size_t s = 0; s < batch && done < length; ++s) {
                const std::uint8_t* raw = raw_.data() + s * kRawSectorBytes;
                const int dataOffset = userDataOffset(raw, track_.mode);
                if (dataOffset < 0)
                    return -1;
                const std::size_t within = static_cast<std::size_t>((offset + done) % kUserBytes);
                const std::size_t take = std::min<std::size_t>(kUserBytes - within, length - done);
                if (dataOffset == 0) {
                    std::memset(buffer + done, 0, take);
                } else {
                    std::memcpy(buffer + done, raw + dataOffset + within, take);
                }
                done += take;
            }
        }
        return static_cast<std::int64_t>(done);
    }

  private:
    platform::RawFile file_;
    DataTrack track_;
    std::vector<std::uint8_t> raw_;
};

// 2048-byte sectors at an offset of a file: reads and in-kernel copies shift by it.
class CookedTrackDevice : public DiscDevice {
  public:
    CookedTrackDevice(platform::RawFile file, const DataTrack& track)
        : file_(std::move(file)), track_(track) {}

    std::int64_t read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        return file_.readAt(track_.start + offset, buffer, bounded(offset, length));
    }
    platform::SendResult sendTo(std::uint64_t offset, std::size_t length,
                                platform::OutputFile& out) override {
        return file_.sendTo(track_.start + offset, bounded(offset, length), out);
    }

  private:
    std::size_t bounded(std::uint64_t offset, std::size_t length) const {
        const std::uint64_t size = track_.sectors * kUserBytes;
        return offset >= size
                   ? 0
                   : static_cast<std::size_t>(std::min<std::uint64_t>(length, size - offset));
    }

    platform::RawFile file_;
    DataTrack track_;
};

// Reads every raw sector of the track once and checks it. A track of no
// stated mode (a bare BIN) takes the mode of its first data sector, so that
// every sector after it must have that mode, as a CUE sheet's track must.
store::Outcome<DiscOpenStep> checkRawSectors(platform::RawFile& file, DataTrack& track) {
    std::vector<std::uint8_t> raw(kBatchSectors * kRawSectorBytes);
    for (std::uint64_t sector = 0; sector < track.sectors; sector += kBatchSectors) {
        const std::size_t batch = static_cast<std::size_t>(
            std::min<std::uint64_t>(kBatchSectors, track.sectors - sector));
        const std::size_t want = batch * kRawSectorBytes;
        if (file.readAt(track.start + sector * kRawSectorBytes, raw.data(), want) !=
            static_cast<std::int64_t>(want)) {
            return store::Failure<DiscOpenStep>{DiscOpenStep::Sectors, track.path,
                                                "cannot read " + shown(track.path)};
        }
        for (std::size_t s = 0; s < batch; ++s) {
            const std::uint8_t* data = raw.data() + s * kRawSectorBytes;
            if (userDataOffset(data, track.mode) > 0 && track.mode == 0)
                track.mode = data[kRawModeByte];
            if (userDataOffset(data, track.mode) >= 0)
                continue;
            char text[96];
            if (!hasSyncPattern(data)) {
                std::snprintf(text, sizeof text,
                              "sector %llu of the data track has no sync pattern",
                              static_cast<unsigned long long>(sector + s));
            } else {
                std::snprintf(text, sizeof text, "sector %llu of the data track is of mode %d",
                              static_cast<unsigned long long>(sector + s), data[kRawModeByte]);
            }
            return store::Failure<DiscOpenStep>{DiscOpenStep::Sectors, track.path,
                                                std::string(text) + " in " + shown(track.path)};
        }
    }
    return {};
}

}  // namespace

bool hasSyncPattern(const std::uint8_t* sector) {
    return std::memcmp(sector, kSync, sizeof kSync) == 0;
}

namespace {

using CueFailure = store::Failure<CueStep>;

// The CUE sheet at `path`, read and parsed; says why when it cannot be.
store::Result<CueSheet, CueStep> readCueSheet(const std::string& path) {
    const std::string sheetName = shown(path);
    std::optional<std::uint64_t> sheetSize = regularSize(path);
    platform::RawFile file;
    if (!sheetSize || !file.open(path))
        return CueFailure{CueStep::ReadSheet, path,
                          "the CUE sheet " + sheetName + " cannot be opened"};
    if (*sheetSize > kMaxCueSheetBytes)
        return CueFailure{CueStep::ReadSheet, path,
                          "the CUE sheet " + sheetName + " is too large to be one"};
    std::string text(static_cast<std::size_t>(*sheetSize), '\0');
    if (file.readAt(0, text.data(), text.size()) != static_cast<std::int64_t>(text.size()))
        return CueFailure{CueStep::ReadSheet, path,
                          "the CUE sheet " + sheetName + " cannot be read"};
    store::Result<CueSheet, CueStep> sheet = parseCueSheet(text);
    if (!sheet)
        return CueFailure{
            CueStep::ParseSheet, path,
            "the CUE sheet " + sheetName + " is malformed: " + sheet.failure().reason};
    return sheet;
}

// The checks of the data track `data` of `sheet` and of the file that holds it;
// fills in `track` or says why it cannot be installed.
std::optional<CueFailure> checkDataTrack(const std::string& path, const CueSheet& sheet,
                                         std::vector<CueTrack>::const_iterator data,
                                         DataTrack& track) {
    const std::string sheetName = shown(path);
    const int sectorBytes = cueModeSectorBytes(data->mode);
    if (sectorBytes == 0)
        return CueFailure{CueStep::FindDataTrack, path,
                          "the data track of " + sheetName + " is of mode " + data->mode +
                              ", which cannot be installed"};
    const CueFile& holder = sheet.files[data->file];
    if (holder.type != "BINARY")
        return CueFailure{
            CueStep::FindDataTrack, path,
            "the data track of " + sheetName + " is in a file of type " + holder.type};
    // Every track of the file must have the data track's sector size, or the
    // sheet's times could not be turned into byte offsets.
    for (const CueTrack& t : sheet.tracks) {
        if (t.file == data->file && cueModeSectorBytes(t.mode) != sectorBytes)
            return CueFailure{CueStep::FindDataTrack, path,
                              "the CUE sheet " + sheetName + " mixes sector sizes in one file"};
    }
    std::filesystem::path name = platform::fsPath(holder.name);
    if (name.is_absolute() || holder.name.find('\\') != std::string::npos)
        return CueFailure{CueStep::FindDataTrack, path,
                          "the CUE sheet " + sheetName + " names its track file " +
                              shown(holder.name) + " by a path that is not relative to the sheet"};
    track.path = platform::pathText(platform::fsPath(path).parent_path() / name);
    std::optional<std::uint64_t> fileSize = regularSize(track.path);
    if (!fileSize) {
        const std::string kind = specialFileKind(track.path);
        return CueFailure{CueStep::CheckTrackFile, track.path,
                          "the track file " + shown(track.path) + " named by the CUE sheet is " +
                              (kind.empty() ? "missing" : kind)};
    }
    track.sectorBytes = sectorBytes;
    track.mode = sectorBytes == kRawSectorBytes ? (data->mode == "MODE1/2352" ? 1 : 2) : 0;
    track.start =
        static_cast<std::uint64_t>(data->index1) * static_cast<std::uint64_t>(sectorBytes);
    // The track ends where the next one of the same file begins, or at the file's end.
    std::uint64_t end = *fileSize;
    auto next = data + 1;
    if (next != sheet.tracks.end() && next->file == data->file) {
        const std::int64_t frames = next->index0 >= 0 ? next->index0 : next->index1;
        end = static_cast<std::uint64_t>(frames) * static_cast<std::uint64_t>(sectorBytes);
    } else if (*fileSize % static_cast<std::uint64_t>(sectorBytes) != 0) {
        return CueFailure{CueStep::CheckTrackFile, track.path,
                          "the track file " + shown(track.path) + " does not hold whole sectors"};
    }
    if (end > *fileSize || end <= track.start)
        return CueFailure{
            CueStep::CheckTrackFile, track.path,
            "the data track of " + sheetName + " lies outside its file " + shown(track.path)};
    track.sectors = (end - track.start) / static_cast<std::uint64_t>(sectorBytes);
    return std::nullopt;
}

}  // namespace

store::Result<DataTrack, CueStep> dataTrackOfCueSheet(const std::string& path) {
    store::Result<CueSheet, CueStep> read = readCueSheet(path);
    if (!read)
        return read.failure();
    const CueSheet& sheet = read.value();
    auto data = std::find_if(sheet.tracks.begin(), sheet.tracks.end(),
                             [](const CueTrack& t) { return t.mode != "AUDIO"; });
    if (data == sheet.tracks.end())
        return CueFailure{CueStep::FindDataTrack, path,
                          "the CUE sheet " + shown(path) +
                              " holds audio tracks only: there is no data to install"};
    DataTrack track;
    if (std::optional<CueFailure> failure = checkDataTrack(path, sheet, data, track))
        return *std::move(failure);
    return track;
}

DiscOpenResult openDataTrack(DataTrack track) {
    platform::RawFile file;
    if (!file.open(track.path))
        return DiscOpenFailure{DiscOpenStep::Track, track.path,
                               "the track file " + shown(track.path) + " cannot be opened"};
    if (track.sectorBytes == kUserBytes)
        return {std::make_unique<CookedTrackDevice>(std::move(file), track)};
    if (store::Outcome<DiscOpenStep> checked = checkRawSectors(file, track); !checked)
        return checked.failure();
    return {std::make_unique<RawTrackDevice>(std::move(file), track)};
}

DiscOpenResult openDiscImage(const std::string& path) {
    // Only a plain file or a drive holds sectors; a FIFO or a terminal would
    // even keep the open waiting.
    std::error_code error;
    const std::filesystem::file_type type =
        std::filesystem::status(platform::fsPath(path), error).type();
    if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::block &&
        type != std::filesystem::file_type::not_found && !error) {
        return DiscOpenFailure{
            DiscOpenStep::Kind, path,
            shown(path) + " is " + specialFileKind(path) + ", not a disc image or a drive"};
    }
    if (endsWithCue(path)) {
        store::Result<DataTrack, CueStep> track = dataTrackOfCueSheet(path);
        if (!track)
            return DiscOpenFailure{DiscOpenStep::Sheet, path, track.failure().reason};
        return openDataTrack(track.value());
    }
    platform::RawFile file;
    if (!file.open(path))
        return DiscOpenFailure{DiscOpenStep::Open, path, platform::lastErrorText()};
    std::uint8_t head[16] = {};
    std::optional<std::uint64_t> size = regularSize(path);
    if (size && file.readAt(0, head, sizeof head) == sizeof head && hasSyncPattern(head)) {
        if (*size % kRawSectorBytes != 0) {
            return DiscOpenFailure{
                DiscOpenStep::Sectors, path,
                "the raw image " + shown(path) + " does not hold whole 2352-byte sectors"};
        }
        DataTrack track;
        track.path = path;
        track.sectorBytes = kRawSectorBytes;
        track.sectors = *size / kRawSectorBytes;
        if (store::Outcome<DiscOpenStep> checked = checkRawSectors(file, track); !checked)
            return checked.failure();
        return {std::make_unique<RawTrackDevice>(std::move(file), track)};
    }
    return openPlainDiscDevice(std::move(file));
}

}  // namespace install
