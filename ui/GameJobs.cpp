#include "ui/GameJobs.h"

#include <sstream>

#include "library/DriveCheck.h"
#include "library/GameExport.h"
#include "library/GameVerify.h"
#include "report/ShownText.h"

namespace ui {

using namespace library;
using namespace report;
using namespace store;
using namespace platform;

namespace {

constexpr std::uint64_t kMegabyte = std::uint64_t{1} << 20;
// A question longer than this many findings names the rest only in the log.
constexpr int kFindingsShown = 15;

// The first `count` lines of `text`, and how many more there are.
std::string firstLines(const std::string& text, int count) {
    std::istringstream lines(text);
    std::string shown;
    int more = 0;
    for (std::string line; std::getline(lines, line);) {
        if (count-- > 0)
            shown += line + "\n";
        else
            ++more;
    }
    if (more > 0)
        shown += "... and " + std::to_string(more) + " more, written to the log.\n";
    return shown;
}

// The check's questions with what it found before them: the routine prints
// its findings, which the window would otherwise only log.
class FindingsInQuestions : public MessageBoxes {
  public:
    FindingsInQuestions(MessageBoxes& boxes, const std::ostringstream& printed)
        : boxes_(boxes), printed_(printed) {}
    void show(const std::string& text) override { boxes_.show(text); }
    bool ask(const std::string& text, bool defaultNo) override {
        return boxes_.ask(firstLines(printed_.str(), kFindingsShown) + "\n" + text, defaultNo);
    }

  private:
    MessageBoxes& boxes_;
    const std::ostringstream& printed_;
};

// The last line the check printed: its verdict.
std::string lastLine(const std::string& printed) {
    std::string last;
    std::istringstream lines(printed);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            last = line;
    return last;
}

std::string verifiedText(const std::string& name, const VerifyReport& report) {
    const ImageDigests& d = report.digests;
    std::string text = "Game " + escapeControls(name) + ": " + std::to_string(d.bytes) +
                       " bytes in " + std::to_string(report.parts) +
                       (report.parts == 1 ? " part" : " parts") + "\nCRC32: " + crc32Hex(d.crc32) +
                       "\nMD5: " + hexOf(d.md5.data(), d.md5.size()) +
                       "\nSHA1: " + hexOf(d.sha1.data(), d.sha1.size());
    if (!report.damage.empty())
        text += "\n" + report.damage + ": the game is damaged.";
    return text;
}

}  // namespace

bool runCheckJob(const std::string& root, GameJobWindow& window, const FrontEnd& frontEnd) {
    window.gameJobStarted({"Checking the drive", "Checked the drive", root, 0, false});
    frontEnd.progress.clearCancel();
    frontEnd.progress.setRange(0);
    frontEnd.progress.show();
    std::ostringstream printed;
    FindingsInQuestions boxes(frontEnd.boxes, printed);
    const DriveCheckResult result =
        checkAndRepairDrive(root, FrontEnd{frontEnd.status, boxes, frontEnd.progress, printed});
    frontEnd.out << printed.str() << std::flush;
    const bool changed = endedAs(result, DriveCheckKind::Repaired);
    std::optional<std::string> outcome;
    if (endedAs(result, DriveCheckKind::Sound) || changed)
        outcome = root + ": " + lastLine(printed.str());
    else
        frontEnd.progress.hide();
    // A repair that failed may have done part of its work.
    window.gameJobEnded(changed || !result, outcome);
    return changed;
}

void runVerifyJob(const std::string& root, const std::string& name, GameJobWindow& window,
                  const FrontEnd& frontEnd) {
    window.gameJobStarted({"Verifying", "Verified", name, kMegabyte, false});
    const VerifyResult verified = verifyGame(root, name, frontEnd);
    window.gameJobEnded(false, std::nullopt);
    if (verified)
        frontEnd.boxes.show(verifiedText(name, verified.value()));
}

void runExportJob(const std::string& root, const std::string& name, const std::string& file,
                  GameJobWindow& window, const FrontEnd& frontEnd) {
    window.gameJobStarted({"Exporting", "Exported", name + " to " + file, kMegabyte, false});
    const ExportResult result = exportGame(root, name, file, frontEnd);
    // The progress window says what was exported, how much and how fast.
    window.gameJobEnded(false, result ? std::optional<std::string>("") : std::nullopt);
}

std::string exportFileName(const std::string& name) {
    std::string file;
    for (const char c : name)
        file += (static_cast<unsigned char>(c) < 0x20 ||
                 std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos)
                    ? '_'
                    : c;
    if (file.empty() || file == "." || file == "..")
        file = "game";
    return file + ".iso";
}

std::string copiedText(const std::string& name, const std::string& targetRoot) {
    return "The game " + escapeControls(name) + " was copied to " + escapeControls(targetRoot) +
           ".";
}

}  // namespace ui
