// The queue's decisions: names, media and skips planned from the files, and
// the run: the whole queue's room, a cancel, a failure's reason.
#include <gtest/gtest.h>

#include <map>

#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "install/InstallQueue.h"

using namespace install;
using namespace store;
using namespace report;

namespace {

struct PlanCase {
    const char* what;
    std::vector<std::string> paths;  // the last one is checked
    bool dvdChosen;
    std::uint64_t lastBytes;  // 0: the last file is missing
    std::string name;
    bool shortened;
    bool dvd;
    std::string skipped;  // the start of the reason; empty: not skipped
};

TEST(InstallQueueTest, PlansNamesMediaAndSkips) {
    const std::string thirty(30, 'a');
    const std::vector<PlanCase> cases = {
        {"name from the file", {"/d/My.Game.iso"}, false, 1000, "My.Game", false, false, ""},
        {"cut at a whole character",
         {"/d/" + thirty + "\xC3\xA9.iso"},
         false,
         1000,
         thirty,
         true,
         false,
         ""},
        {"a CD's size stays a CD", {"/d/A.iso"}, false, kCdBytes, "A", false, false, ""},
        {"larger than a CD", {"/d/A.iso"}, false, kCdBytes + 1, "A", false, true, ""},
        {"the media chosen", {"/d/A.iso"}, true, 1000, "A", false, true, ""},
        {"missing file", {"/d/A.iso"}, false, 0, "A", false, false, "the file cannot be found"},
        {"same name twice",
         {"/d/A.iso", "/e/A.cue"},
         false,
         1000,
         "A",
         false,
         false,
         "an earlier image of the queue has the name A"},
    };
    for (const PlanCase& c : cases) {
        const auto size = [&](const std::string& path) -> std::optional<std::uint64_t> {
            if (path != c.paths.back())
                return 1000;
            return c.lastBytes ? std::optional<std::uint64_t>(c.lastBytes) : std::nullopt;
        };
        const std::vector<QueuedImage> queue = planQueue(c.paths, c.dvdChosen, size);
        ASSERT_EQ(queue.size(), c.paths.size()) << c.what;
        const QueuedImage& last = queue.back();
        EXPECT_EQ(last.name, c.name) << c.what;
        EXPECT_EQ(last.shortened, c.shortened) << c.what;
        EXPECT_EQ(last.dvd, c.dvd) << c.what;
        EXPECT_EQ(last.skipped, c.skipped) << c.what;
    }
}

QueuedImage image(const std::string& name, std::uint64_t bytes = 1000) {
    QueuedImage queued;
    queued.path = "/d/" + name + ".iso";
    queued.name = name;
    queued.bytes = bytes;
    return queued;
}

struct RunCase {
    const char* what;
    std::uint64_t free;
    std::map<std::string, std::string> said;  // a game's failure: what its install says
    std::string cancelAt;                     // the game during which Cancel is pressed
    std::vector<std::string> installed;       // the games the installs are run for
    std::vector<std::string> outcomes;
};

TEST(InstallQueueTest, RunsEachGameAndKeepsEachOutcome) {
    const std::string room =
        "skipped: the games of the queue need 1 MB and the drive has 0 MB for "
        "them (counting the games they replace): nothing was installed";
    const std::vector<RunCase> cases = {
        {"all installed",
         1 << 20,
         {},
         "",
         {"A", "B", "C"},
         {"installed", "installed", "installed"}},
        {"room of the whole queue", 2000, {}, "", {}, {room, room, room}},
        {"a failure does not stop the rest",
         1 << 20,
         {{"B", "Source drive is invalid\n"}},
         "",
         {"A", "B", "C"},
         {"installed", "failed: Source drive is invalid", "installed"}},
        {"cancel stops the rest",
         1 << 20,
         {},
         "B",
         {"A", "B"},
         {"installed", "cancelled: the copy was cancelled", "cancelled: the queue was stopped"}},
    };
    for (const RunCase& c : cases) {
        GameDrive drive;
        ScriptedFrontEnd ui;
        FrontEnd frontEnd = ui.frontEnd();
        std::vector<std::string> installed;
        QueueSteps steps;
        // As the install does: a failure carries the text of the box it showed.
        steps.install = [&](const QueuedImage& queued, FrontEnd& each) -> InstallResult {
            installed.push_back(queued.name);
            if (queued.name == c.cancelAt) {
                ui.progress.cancel = true;
                each.boxes.show("the copy was cancelled");
                return Failure<InstallStep>{InstallStep::Copy, queued.name,
                                            "the copy was cancelled"};
            }
            if (c.said.count(queued.name)) {
                each.boxes.show(c.said.at(queued.name));
                return Failure<InstallStep>{InstallStep::Copy, queued.name, c.said.at(queued.name)};
            }
            return {};
        };
        steps.stopped = [&] { return ui.progress.cancel; };
        steps.freeSpace = [&](const std::string&) { return std::optional<std::uint64_t>(c.free); };
        const std::vector<ImageResult> results =
            runQueue(drive.root(), {image("A"), image("B"), image("C")}, frontEnd, steps);
        EXPECT_EQ(installed, c.installed) << c.what;
        std::vector<std::string> outcomes;
        for (const ImageResult& result : results)
            outcomes.push_back(outcomeText(result));
        EXPECT_EQ(outcomes, c.outcomes) << c.what;
        EXPECT_TRUE(drive.files().empty()) << c.what;  // nothing written but by the installs
    }
}

TEST(InstallQueueTest, NamesOnTheDriveWithOrWithoutTheTrailingSlash) {
    GameDrive drive;
    drive.addGame("Gamma", "SLUS_000.09", {4096});
    const std::string root = drive.root();
    for (const std::string& spelled : {root, root.substr(0, root.size() - 1)})
        EXPECT_EQ(gameNamesOn(spelled), std::vector<std::string>{"Gamma"}) << spelled;
}

TEST(InstallQueueTest, SummaryNamesEachImage) {
    const std::vector<ImageResult> results = {
        {"/d/Alpha.iso", "Alpha", false, QueueDone{QueueKind::Installed, ""}},
        {"/d/x.iso", "x", true, store::Failure<QueueStep>{QueueStep::Failed, "/d/x.iso", "why"}},
    };
    EXPECT_EQ(queueSummary(results),
              "Alpha (Alpha.iso): installed\nx (x.iso): failed: why (the name was shortened to "
              "fit)\n");
    EXPECT_EQ(installedCount(results), 1u);
}

}  // namespace
