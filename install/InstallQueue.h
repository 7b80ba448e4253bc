#pragma once
// Many disc images installed onto one drive, one after another, unattended:
// each image named after its file and given its media type by its size,
// every question asked before the first game, one outcome per image. Each
// game is its own install with the install's guarantees; the drive is held
// for the whole queue, so that no other program's change lands between two
// games.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/InstallRequest.h"
#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace install {

// The most a CD holds: 360,000 sectors of 2048 bytes (80 minutes).
inline constexpr std::uint64_t kCdBytes = 360000ULL * 2048;

// Whether an image of `bytes` must be a DVD: it cannot fit on a CD.
bool imageNeedsDvd(std::uint64_t bytes);

// A game's name taken from an image file's name.
struct ImageName {
    std::string name;        // the file's name without its last extension
    bool shortened = false;  // cut at its last whole character to fit a record
};
ImageName gameNameOfImage(const std::string& imagePath);

// One image of the queue, as planned before the first game.
struct QueuedImage {
    std::string path;
    std::string name;
    bool shortened = false;
    bool dvd = false;
    std::uint64_t bytes = 0;
    bool replaces = false;  // a game of this name is on the drive; the person agreed
    std::string skipped;    // why it is not installed; empty: it is
};

// The images in the order given, named after their files; media by size
// (larger than a CD: DVD, otherwise `dvdChosen`). An image that is gone, or
// whose name an earlier image of the queue already takes, is skipped.
using FileSizeOf = std::function<std::optional<std::uint64_t>(const std::string& path)>;
std::vector<QueuedImage> planQueue(const std::vector<std::string>& paths, bool dvdChosen,
                                   const FileSizeOf& fileSize);

// The names of the games the table at `root` records; nothing when it cannot be read.
std::optional<std::vector<std::string>> gameNamesOn(const std::string& root);

// Asks the install's replace question for every image whose name a game on
// the drive has (`onDrive`); a No skips it. All before the first game.
void askReplaceQuestions(std::vector<QueuedImage>& images, const std::vector<std::string>& onDrive,
                         report::MessageBoxes& boxes);

// How an image of the queue ended when nothing went wrong with it.
enum class QueueKind { Installed, Replaced, Skipped };
struct QueueDone {
    QueueKind kind = QueueKind::Skipped;
    std::string reason;  // why it was skipped
};
// Where an image of the queue went wrong; the failure's object is the image,
// its reason what the install said, or why the queue stopped.
enum class QueueStep { Failed, Cancelled };
using QueueOutcome = store::Result<QueueDone, QueueStep>;

struct ImageResult {
    std::string path;
    std::string name;
    bool shortened = false;
    QueueOutcome outcome = QueueDone{};
    // Why it was skipped or failed: what the install said.
    const std::string& reason() const {
        return outcome ? outcome.value().reason : outcome.failure().reason;
    }
};

// What a front end does around each game of the queue.
struct QueueSteps {
    // Game `number` of `count` starts; `bytesAfter`: the images still to come after it.
    std::function<void(std::size_t number, std::size_t count, const QueuedImage& image,
                       std::uint64_t bytesAfter)>
        starting;
    // Installs one image with the front end given (its questions answered,
    // its boxes not shown); a failure's reason is the image's.
    std::function<InstallResult(const QueuedImage& image, report::FrontEnd& frontEnd)> install;
    // True once the queue must stop before the next game (a cancel, a drive gone).
    std::function<bool()> stopped;
    // Bytes free at the drive's root; empty: the file system's word.
    std::function<std::optional<std::uint64_t>(const std::string& root)> freeSpace;
};

// Installs the images onto the drive at `root`, holding the drive for the
// whole queue. Before the first game, the room of the whole queue is checked
// (counting the games it replaces); each install checks its own again.
std::vector<ImageResult> runQueue(const std::string& root, const std::vector<QueuedImage>& images,
                                  report::FrontEnd& frontEnd, const QueueSteps& steps);

// "installed", "replaced", "skipped: why", "failed: why", "cancelled".
std::string outcomeText(const ImageResult& result);
// One line per image: "Name (file.iso): installed", and a shortened name said.
std::string queueSummary(const std::vector<ImageResult>& results);
// How many images were installed or replaced.
std::size_t installedCount(const std::vector<ImageResult>& results);

}  // namespace install
