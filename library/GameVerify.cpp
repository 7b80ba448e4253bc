#include "library/GameVerify.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "library/InstalledImage.h"
#include "library/ShownFailure.h"
#include "platform/RawFile.h"
#include "store/DriveAccess.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

namespace {

constexpr std::uint64_t kSectorBytes = 2048;

// Compares a piece of the game with the image at the same place; the first
// differing sector, if any.
class ImageComparison {
  public:
    explicit ImageComparison(const ImageReader& image) : image_(image) {
        if (image_)
            buffer_.resize(StreamDigest::kChunkBytes);
    }
    bool active() const { return image_ && !difference && !failed; }

    void compare(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
        if (!active())
            return;
        std::int64_t got = image_(offset, buffer_.data(), size);
        if (got < 0) {
            failed = true;
            return;
        }
        std::size_t same = static_cast<std::size_t>(
            std::mismatch(data, data + std::min<std::size_t>(size, std::size_t(got)),
                          buffer_.data())
                .first -
            data);
        if (same < size)
            difference = (offset + same) / kSectorBytes;
    }
    // After the whole game: an image that goes on differs where the game ends.
    void finish(std::uint64_t gameBytes) {
        std::uint8_t byte;
        if (active() && image_(gameBytes, &byte, 1) > 0)
            difference = gameBytes / kSectorBytes;
    }

    std::optional<std::uint64_t> difference;
    bool failed = false;

  private:
    const ImageReader& image_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

VerifyResult verifyGame(const std::string& root, const std::string& name, const FrontEnd& frontEnd,
                        const ImageReader& image) {
    VerifyReport report;
    const DriveAccess reading = accessForReading(root, frontEnd);
    if (!reading.granted())
        return Failure<VerifyStep>{reading.outcome.failedAt(DriveAccessStep::Cancelled)
                                       ? VerifyStep::Cancelled
                                       : VerifyStep::Failed,
                                   root, reading.outcome.failure().reason};
    const FoundImage found = findInstalledImage(root, name, frontEnd, "verified");
    if (!found)
        return Failure<VerifyStep>{VerifyStep::Refused, found.failure().object,
                                   found.failure().reason};
    const InstalledImage& game = found.value();
    report.parts = static_cast<int>(game.parts.size());
    report.damage = game.damage;

    StreamDigest digest;
    ImageComparison comparison(image);
    ImageProgress progress(frontEnd.progress, "Verifying " + name, game.bytes);
    std::uint64_t done = 0;
    for (const std::string& path : game.parts) {
        platform::RawFile part;
        if (!part.open(path)) {
            Failure<VerifyStep> failed = shownFailure(frontEnd, VerifyStep::Failed, path,
                                                      "Cannot open the part file " + path + ".");
            digest.finish();
            return failed;
        }
        for (std::uint64_t offset = 0;;) {
            if (progress.cancelled()) {
                digest.finish();
                return shownFailure(frontEnd, VerifyStep::Cancelled, name,
                                    "The verification of game " + name + " was cancelled.");
            }
            std::uint8_t* buffer = digest.buffer();
            std::int64_t got = part.readAt(offset, buffer, StreamDigest::kChunkBytes);
            if (got < 0) {
                Failure<VerifyStep> failed = shownFailure(
                    frontEnd, VerifyStep::Failed, path, "Cannot read the part file " + path + ".");
                digest.finish();
                return failed;
            }
            if (got == 0)
                break;
            // Compared before it is handed over: the workers may reuse nothing
            // until the next call to buffer().
            comparison.compare(done, buffer, static_cast<std::size_t>(got));
            digest.submit(static_cast<std::size_t>(got));
            offset += static_cast<std::uint64_t>(got);
            done += static_cast<std::uint64_t>(got);
            progress.setBytesDone(done);
        }
    }
    comparison.finish(done);
    report.digests = digest.finish();
    if (comparison.failed)
        return shownFailure(frontEnd, VerifyStep::Failed, name,
                            "Cannot read the image to compare game " + name + " with.");
    report.firstDifferentSector = comparison.difference;
    return report;
}

}  // namespace library
