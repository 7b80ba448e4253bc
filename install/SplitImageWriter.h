#pragma once
// Copies every sector of an identified disc, in order, into part files of
// 1 GiB (the last one shorter), driving the progress window, stopping when
// the user cancels, and listing every file it creates.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "install/DiscInfo.h"
#include "install/PartsInProgress.h"
#include "report/FrontEnd.h"

namespace install {

class SplitImageWriter {
  public:
    static constexpr std::int32_t kPartSectors = 524288;  // 1 GiB of 2048-byte sectors
    static constexpr int kUpdateInterval = 256;           // sectors between progress updates
    static_assert(kPartSectors % kUpdateInterval == 0, "a progress step never spans two parts");

    SplitImageWriter(report::FrontEnd& ui, PartsInProgress& parts) : ui_(ui), parts_(parts) {}

    // Writes the parts prefix + ".00", ".01", ... True when every sector was
    // written and the last part closed. `partCount` is the number of part
    // files created, whatever the result; they stay listed in createdParts.
    bool copy(const DiscInfo& disc, const std::string& prefix, int& partCount);

    // The name of part `index`; none when the index is past the last part name.
    using PartName = std::function<std::optional<std::string>(int index)>;
    // The same, with each part's file named by `partName`; `shown` stands for
    // a part that has no name.
    bool copy(const DiscInfo& disc, const PartName& partName, const std::string& shown,
              int& partCount);

  private:
    // The "COPYING" line and the progress window's bar.
    void showProgress(std::int64_t kilobytes, double totalMegabytes);
    // Closes the part written so far and opens the next, of `partSectors`
    // sectors, listing it in createdParts; says why when it cannot.
    bool openNextPart(const std::optional<std::string>& path, const std::string& shown,
                      std::int64_t partSectors);
    // The box shows its text, then `detail` (the file and the system's reason) on a line of its
    // own.
    bool fail(const char* status, const char* box, const std::string& detail = {});

    report::FrontEnd& ui_;
    PartsInProgress& parts_;
};

}  // namespace install
