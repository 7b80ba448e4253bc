#pragma once
// Sector reads from a game disc: aligned 64-sector read-ahead served from one
// buffer, single sectors near the end of the disc, four attempts per read, and
// tolerance of unreadable sectors at the very end.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "install/DiscDevice.h"
#include "install/PartFile.h"
#include "report/FrontEnd.h"

namespace install {

class DiscSource {
  public:
    static constexpr int kSectorSize = 2048;
    static constexpr int kBlockSectors = 64;
    // Within this many sectors of the end, sectors are read one at a time.
    static constexpr int kTailSectors = 214;
    // A failed read that reaches this close to the end is not an error.
    static constexpr int kToleratedSectors = 150;
    static constexpr int kAttempts = 4;

    // The read buffer is allocated here, once per install.
    explicit DiscSource(report::StatusLine& status, DiscOpener opener = openDiscDevice);

    // Opens `path` with the opener; its failure as the opener said it.
    store::Outcome<DiscOpenStep> open(const std::string& path);
    bool isOpen() const { return device_ != nullptr; }
    void close();
    // Bytes on the open medium; nothing when unknown.
    std::optional<std::uint64_t> mediumSize() const {
        return device_ ? device_->size() : std::nullopt;
    }

    // The 2048 bytes of sector `lba`, valid until the next call; null when
    // the read failed four times. `totalSectors` decides the end-of-disc rules.
    const std::uint8_t* readSector(std::int32_t lba, std::int32_t totalSectors);

    // Appends sectors lba .. lba + count - 1 to `part` with an in-kernel copy,
    // where the device allows it and none of them lies in the end-of-disc
    // zone. False means nothing was appended: read them one by one instead,
    // which brings the retries and the messages of a failing read.
    bool copySectors(std::int32_t lba, std::int32_t count, std::int32_t totalSectors,
                     PartFile& part);

    // Run when a read gives up, before readSector returns null (the install
    // drops the part file it is writing).
    void setGiveUpAction(std::function<void()> action) { giveUp_ = std::move(action); }

  private:
    report::StatusLine& status_;
    DiscOpener opener_;
    std::unique_ptr<DiscDevice> device_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t cachedBlock_ = -1;  // first sector of the block held in the buffer
    std::function<void()> giveUp_;
    bool kernelCopy_ = true;  // off once the device has said it cannot
};

}  // namespace install
