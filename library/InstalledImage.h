#pragma once
// The disc image of an installed game: its part files, in order, read as one
// stream. Verification and export both start here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/FrontEnd.h"
#include "store/Failure.h"
#include "store/GameEntry.h"

namespace library {

struct InstalledImage {
    store::GameEntry record;
    std::vector<std::string> parts;    // in order
    std::vector<std::uint64_t> sizes;  // of each part, when it was found
    std::uint64_t bytes = 0;           // of all parts
    // A part before the last that is not exactly 1 GiB, an empty or
    // oversized last part, or parts that end before the disc that part .00
    // describes (the last one cut short) break the layout: the image is
    // damaged, and this names the part. Empty when well-formed.
    std::string damage;
};

// Bytes of every part but the last.
constexpr std::uint64_t kPartBytes = std::uint64_t{1} << 30;

// Why an installed game's image cannot be read.
enum class ImageStep {
    TableUnreadable,  // the table is not a file that can be read
    NotFound,         // no record carries the name
    Damaged,          // the record names no file
    PartMissing,      // a part file is not there
};
using FoundImage = store::Result<InstalledImage, ImageStep>;

// The first record named `name` at `root` with its parts. When the game is
// not found, its record names no file or a part is missing, the user is told
// (`purpose` completes "... cannot be <purpose>") and that is the failure.
FoundImage findInstalledImage(const std::string& root, const std::string& name,
                              const report::FrontEnd& frontEnd, const char* purpose);

// Shows the progress of a job that goes through an image, and hides it on every way out.
class ImageProgress {
  public:
    ImageProgress(report::ProgressWindow& window, const std::string& text,
                  std::uint64_t totalBytes);
    ~ImageProgress() { window_.hide(); }
    ImageProgress(const ImageProgress&) = delete;
    ImageProgress& operator=(const ImageProgress&) = delete;
    void setBytesDone(std::uint64_t bytes);
    bool cancelled() const { return window_.cancelRequested(); }

  private:
    report::ProgressWindow& window_;
};

}  // namespace library
