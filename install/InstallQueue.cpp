#include "install/InstallQueue.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/PathText.h"
#include "report/ShownText.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/GameEntry.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

namespace install {

using namespace platform;
using namespace store;
using namespace report;

namespace {

constexpr std::uint64_t kMegabyte = std::uint64_t{1} << 20;

// The longest start of `text` of at most `limit` bytes that ends on a whole
// UTF-8 character.
std::string cutToBytes(const std::string& text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::uint64_t sizeOnDisk(const std::string& path) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(platform::fsPath(path), error);
    return error ? 0 : static_cast<std::uint64_t>(bytes);
}

std::optional<std::uint64_t> freeSpaceAt(const std::string& root) {
    std::error_code error;
    const std::filesystem::space_info info = std::filesystem::space(platform::fsPath(root), error);
    return error ? std::nullopt : std::optional<std::uint64_t>(info.available);
}

// The room the games of `name` on the drive take: what replacing them frees.
std::uint64_t roomOfGames(const std::string& root, const std::vector<GameEntry>& records,
                          const std::string& name) {
    std::uint64_t bytes = 0;
    for (const GameEntry& entry : records) {
        if (entry.DisplayName() != name)
            continue;
        for (const std::string& path : partFilesOf(root, entry).paths)
            bytes += sizeOnDisk(path);
    }
    return bytes;
}

// Why the whole queue cannot fit on the drive; empty when it can, or when
// the free room cannot be found out (each install checks its own).
std::string queueRoomProblem(const std::string& root, const std::vector<QueuedImage>& images,
                             const QueueSteps& steps) {
    const std::optional<std::uint64_t> free =
        steps.freeSpace ? steps.freeSpace(root) : freeSpaceAt(root);
    if (!free)
        return {};
    const TableContents table = readTableFile(tablePath(root));
    std::uint64_t needed = 0;
    std::uint64_t freed = 0;
    for (const QueuedImage& image : images) {
        if (!image.skipped.empty())
            continue;
        needed += image.bytes;
        if (image.replaces)
            freed += roomOfGames(root, table.records, image.name);
    }
    if (needed <= *free + freed)
        return {};
    return "the games of the queue need " + std::to_string((needed + kMegabyte - 1) / kMegabyte) +
           " MB and the drive has " + std::to_string((*free + freed) / kMegabyte) +
           " MB for them (counting the games they replace): nothing was installed";
}

// The install's boxes within the queue: nobody waits at the screen, so a
// box is not shown (the install's result carries its text as the image's
// outcome), and the replace question has the answer the person gave before
// the first game.
class QueueBoxes : public MessageBoxes {
  public:
    explicit QueueBoxes(bool replace) : replace_(replace) {}
    void show(const std::string&) override {}
    bool ask(const std::string& text, bool) override {
        if (!replace_)
            refused_ = text;
        return replace_;
    }
    const std::string& refused() const { return refused_; }

  private:
    bool replace_;
    std::string refused_;
};

// The status line, noting what the install said last.
class QueueStatus : public StatusLine {
  public:
    explicit QueueStatus(StatusLine& status) : status_(status) {}
    void setText(const std::string& text) override {
        status_.setText(text);
        if (text.find_first_not_of(" \n\r") != std::string::npos)
            last_ = text;
    }
    const std::string& last() const { return last_; }

  private:
    StatusLine& status_;
    std::string last_;
};

// A reason as one line: the routine's texts end in new lines and may hold
// several, each a sentence of its own.
std::string oneLine(const std::string& text) {
    std::string line;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string piece = text.substr(start, end - start);
        while (!piece.empty() && (piece.back() == '\r' || piece.back() == ' '))
            piece.pop_back();
        if (!piece.empty())
            line += (line.empty() ? "" : "; ") + piece;
        start = end + 1;
    }
    return line;
}

ImageResult resultOf(const QueuedImage& image, QueueKind kind, std::string reason = {}) {
    return ImageResult{image.path, image.name, image.shortened,
                       QueueDone{kind, oneLine(std::move(reason))}};
}

ImageResult failureOf(const QueuedImage& image, QueueStep step, std::string reason) {
    return ImageResult{image.path, image.name, image.shortened,
                       store::Failure<QueueStep>{step, image.path, oneLine(std::move(reason))}};
}

ImageResult installOne(const QueuedImage& image, FrontEnd& frontEnd, const QueueSteps& steps) {
    QueueBoxes boxes(image.replaces);
    QueueStatus status(frontEnd.status);
    FrontEnd queued{status, boxes, frontEnd.progress, frontEnd.out};
    const InstallResult installed = steps.install(image, queued);
    if (installed)
        return resultOf(image, image.replaces ? QueueKind::Replaced : QueueKind::Installed);
    const std::string& said = installed.failure().reason;
    if (frontEnd.progress.cancelRequested())
        return failureOf(image, QueueStep::Cancelled, said);
    if (!boxes.refused().empty())
        return resultOf(image, QueueKind::Skipped,
                        "a game named " + escapeControls(image.name) +
                            " came onto the drive after the questions; it was kept");
    const std::string& why = !said.empty() ? said : status.last();
    return failureOf(image, QueueStep::Failed, why.empty() ? "the install did not end" : why);
}

}  // namespace

bool imageNeedsDvd(std::uint64_t bytes) {
    return bytes > kCdBytes;
}

ImageName gameNameOfImage(const std::string& imagePath) {
    const std::string stem = platform::pathText(platform::fsPath(imagePath).stem());
    const std::string name = cutToBytes(stem, entry_layout::kDisplayNameSize - 1);
    return ImageName{name, name.size() != stem.size()};
}

std::vector<QueuedImage> planQueue(const std::vector<std::string>& paths, bool dvdChosen,
                                   const FileSizeOf& fileSize) {
    std::vector<QueuedImage> queue;
    for (const std::string& path : paths) {
        QueuedImage image;
        image.path = path;
        const ImageName named = gameNameOfImage(path);
        image.name = named.name;
        image.shortened = named.shortened;
        const std::optional<std::uint64_t> bytes = fileSize(path);
        image.bytes = bytes.value_or(0);
        image.dvd = dvdChosen || imageNeedsDvd(image.bytes);
        if (!bytes)
            image.skipped = "the file cannot be found";
        else if (image.name.empty())
            image.skipped = "its file name gives no game name";
        for (const QueuedImage& earlier : queue) {
            if (image.skipped.empty() && earlier.skipped.empty() && earlier.name == image.name)
                image.skipped =
                    "an earlier image of the queue has the name " + escapeControls(image.name);
        }
        queue.push_back(std::move(image));
    }
    return queue;
}

std::optional<std::vector<std::string>> gameNamesOn(const std::string& root) {
    const TableContents table = readTableFile(tablePath(normalizeRoot(root)));
    if (table.exists && !table.opened)
        return std::nullopt;
    std::vector<std::string> names;
    for (const GameEntry& entry : table.records)
        names.push_back(entry.DisplayName());
    return names;
}

void askReplaceQuestions(std::vector<QueuedImage>& images, const std::vector<std::string>& onDrive,
                         MessageBoxes& boxes) {
    for (QueuedImage& image : images) {
        if (!image.skipped.empty() ||
            std::find(onDrive.begin(), onDrive.end(), image.name) == onDrive.end())
            continue;
        // The install's own replace question, asked now rather than during the queue.
        image.replaces = boxes.ask("File " + image.name + " already exist,Continue?", false);
        if (!image.replaces)
            image.skipped = "a game of this name is on the drive; it was not replaced";
    }
}

std::vector<ImageResult> runQueue(const std::string& root, const std::vector<QueuedImage>& images,
                                  FrontEnd& frontEnd, const QueueSteps& steps) {
    std::vector<ImageResult> results;
    DriveAccess changing = accessForChange(normalizeRoot(root), frontEnd);
    std::string stopWhy;
    if (!changing.granted())
        stopWhy = "the drive could not be held for the queue";
    else
        stopWhy = queueRoomProblem(normalizeRoot(root), images, steps);
    std::size_t count = 0;
    std::uint64_t bytesLeft = 0;
    for (const QueuedImage& image : images) {
        if (image.skipped.empty()) {
            ++count;
            bytesLeft += image.bytes;
        }
    }
    std::size_t number = 0;
    bool cancelled = false;
    for (const QueuedImage& image : images) {
        if (!image.skipped.empty()) {
            results.push_back(resultOf(image, QueueKind::Skipped, image.skipped));
            continue;
        }
        if (!stopWhy.empty()) {
            results.push_back(resultOf(image, QueueKind::Skipped, stopWhy));
            continue;
        }
        if (cancelled || (steps.stopped && steps.stopped())) {
            cancelled = true;
            results.push_back(failureOf(image, QueueStep::Cancelled, "the queue was stopped"));
            continue;
        }
        bytesLeft -= image.bytes;
        if (steps.starting)
            steps.starting(++number, count, image, bytesLeft);
        results.push_back(installOne(image, frontEnd, steps));
        cancelled = results.back().outcome.failedAt(QueueStep::Cancelled);
    }
    return results;
}

std::string outcomeText(const ImageResult& result) {
    const std::string& reason = result.reason();
    if (result.outcome) {
        switch (result.outcome.value().kind) {
            case QueueKind::Installed:
                return "installed";
            case QueueKind::Replaced:
                return "replaced";
            case QueueKind::Skipped:
                return "skipped: " + reason;
        }
        return {};
    }
    switch (result.outcome.failure().step) {
        case QueueStep::Failed:
            return "failed: " + reason;
        case QueueStep::Cancelled:
            return reason.empty() ? "cancelled" : "cancelled: " + reason;
    }
    return {};
}

std::string queueSummary(const std::vector<ImageResult>& results) {
    std::string text;
    for (const ImageResult& result : results) {
        const std::string file = platform::pathText(platform::fsPath(result.path).filename());
        text += escapeControls(result.name.empty() ? file : result.name) + " (" +
                escapeControls(file) + "): " + outcomeText(result);
        if (result.shortened)
            text += " (the name was shortened to fit)";
        text += "\n";
    }
    return text;
}

std::size_t installedCount(const std::vector<ImageResult>& results) {
    return static_cast<std::size_t>(
        std::count_if(results.begin(), results.end(), [](const ImageResult& result) {
            return result.outcome && result.outcome.value().kind != QueueKind::Skipped;
        }));
}

}  // namespace install
