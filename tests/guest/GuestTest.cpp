// The tools on Debian 12's own kernel, booted in QEMU with USB sticks and an
// optical drive: its partition parser, its vfat driver and its CD driver, and
// the stick pulled after and during each command that changes it. Each boot
// runs a script of tests/guest/ whose rounds print one verdict each; the
// sticks are judged inside the guest (our tools, fsck.fat, the parts against
// the disc) and, after the boot, on the host.
#include <gtest/gtest.h>

#include "DiskImage.h"
#include "GameIso.h"
#include "GuestMachine.h"

using namespace disk;
using namespace store;
using namespace platform;

namespace {

constexpr std::uint64_t kStickBytes = 256ULL << 20;

// Each suite boots once; its tests read the verdicts of that boot.
class GuestSuite : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string reason = guest::unavailable(); !reason.empty())
            GTEST_SKIP() << reason;
    }
    static void expectVerdict(const GuestRun& run, const std::string& round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(run.ended) << "the guest did not finish:\n" << run.console;
        auto verdict = run.verdicts.find(round);
        ASSERT_NE(verdict, run.verdicts.end()) << "no verdict:\n" << run.console;
        if (verdict->second == "skipped" && !fullWalk())
            GTEST_SKIP() << "a moment that only ZT_FULL_WALK=1 (make test-full) pulls at";
        EXPECT_EQ(verdict->second, "ok") << roundLog(run.console, round);
    }
};

// A stick with the partition table and FAT32 volume of our own tools.
void prepareStick(const std::string& image) {
    makeImage(image, kStickBytes);
    ASSERT_EQ(runTool("zt_format", "--yes " + shellQuoted(image) + " INIT").status, 0);
    ASSERT_EQ(runTool("zt_format", "--yes " + shellQuoted(image) + " FORMAT").status, 0);
}

// The byte offset of the first partition, from the image's partition table.
std::uint64_t firstPartition(const std::string& image) {
    return std::uint64_t{readLe32(readAt(image, 446 + 8, 4).data())} * 512;
}

ToolRun hostFsck(const TempDir& dir, const std::string& image) {
    const std::string part = dir.file("part.img");
    runShell("dd if=" + shellQuoted(image) + " of=" + shellQuoted(part) +
             " bs=1M iflag=skip_bytes skip=" + std::to_string(firstPartition(image)) +
             " conv=sparse status=none");
    ToolRun r = runShell("fsck.fat -n " + shellQuoted(part));
    std::filesystem::remove(part);
    return r;
}

// mtools reads the part files of `image` on the host; they are the disc's bytes.
void expectPartsAre(const TempDir& dir, const std::string& image, const std::string& iso) {
    const std::string volume = shellQuoted(image + "@@" + std::to_string(firstPartition(image)));
    ToolRun listing = runShell("MTOOLS_SKIP_CHECK=1 mdir -b -i " + volume + " ::");
    ASSERT_EQ(listing.status, 0) << listing.err;
    std::string part;
    std::istringstream lines(listing.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("::/zt.") == 0 && line.find("zt.cfg") == std::string::npos)
            part = line.substr(3);
    }
    ASSERT_FALSE(part.empty()) << listing.out;
    const std::string copy = dir.file("part");
    ASSERT_EQ(runShell("MTOOLS_SKIP_CHECK=1 mcopy -n -i " + volume + " ::" + part + " " +
                       shellQuoted(copy))
                  .status,
              0);
    EXPECT_TRUE(readBytes(copy) == readBytes(iso)) << part << " differs from the disc";
}

class GuestWholePath : public GuestSuite {};

TEST_F(GuestWholePath, OnABlankStick) {
    TempDir dir;
    const std::string stick = dir.file("stick.img");
    makeImage(stick, kStickBytes);
    GuestSetup setup;
    setup.sticks = {stick};
    const std::string iso = makeGameIso(dir, 3 << 20, 1);
    setup.drives = {{iso, {}}};
    setup.scenario = "whole-path";
    GuestRun run = guest::boot(setup);
    expectVerdict(run, "whole-path");
    ToolRun fsck = hostFsck(dir, stick);
    EXPECT_EQ(fsck.status, 0) << fsck.out << fsck.err;
    expectPartsAre(dir, stick, iso);
}

// The pull scenarios: one boot each, a test per round that reads its verdict.
struct Scenario {
    const char* script;
    int sticks;
    std::vector<const char*> rounds;
    int stickRequests = 0;               // a slowed stick, when not 0
    int seconds = 500;                   // the boot's bound
    std::size_t discBytes = 3ULL << 20;  // the disc's data file
};

const Scenario kPullAfterSuccess{
    "pull-after-success",
    2,
    {"install", "replace", "rename", "delete", "copy", "frag", "check-recovers"}};
const Scenario kPullDuring{
    "pull-during", 2, {"install-20", "install-50", "install-80",  "install-100", "replace-50",
                       "replace-80", "replace-90", "replace-100", "copy-20",     "copy-50",
                       "copy-80",    "copy-100",   "rename-0",    "rename-2",    "rename-5",
                       "rename-10",  "delete-0",   "delete-2",    "delete-5",    "delete-10",
                       "check-0",    "check-1",    "check-2"}};

// Pulled before each file operation and after each write: a stick that
// serves 20 requests a second lets the guest pull between two of them, and
// a small disc keeps the writes few. The whole walk (make test-full) takes
// far longer than the sample.
const Scenario kPullAtOperation{
    "pull-at-operation",     1,       {"install", "replace", "rename", "delete", "check"}, 20,
    fullWalk() ? 5400 : 500, 64 << 10};

// Boots once per scenario and process: the rounds' tests share the boot.
const GuestRun& bootOnce(const Scenario& scenario) {
    static std::map<std::string, GuestRun> runs;
    auto found = runs.find(scenario.script);
    if (found != runs.end())
        return found->second;
    TempDir dir;
    GuestSetup setup;
    for (int i = 0; i < scenario.sticks; ++i) {
        setup.sticks.push_back(dir.file("stick" + std::to_string(i) + ".img"));
        prepareStick(setup.sticks.back());
    }
    setup.drives = {{makeGameIso(dir, scenario.discBytes, 2), {}}};
    setup.scenario = scenario.script;
    setup.stickRequests = scenario.stickRequests;
    return runs[scenario.script] = guest::boot(setup, scenario.seconds);
}

class GuestPullAfterSuccess : public GuestSuite,
                              public ::testing::WithParamInterface<const char*> {};

TEST_P(GuestPullAfterSuccess, LeavesWhatTheCommandReported) {
    expectVerdict(bootOnce(kPullAfterSuccess), GetParam());
}
INSTANTIATE_TEST_SUITE_P(Rounds, GuestPullAfterSuccess,
                         ::testing::ValuesIn(kPullAfterSuccess.rounds));

class GuestPullDuring : public GuestSuite, public ::testing::WithParamInterface<const char*> {};

TEST_P(GuestPullDuring, KeepsOldOrNewRecordsWhole) {
    expectVerdict(bootOnce(kPullDuring), GetParam());
}
INSTANTIATE_TEST_SUITE_P(Rounds, GuestPullDuring, ::testing::ValuesIn(kPullDuring.rounds));

class GuestPullAtOperation : public GuestSuite,
                             public ::testing::WithParamInterface<const char*> {};

TEST_P(GuestPullAtOperation, KeepsEachRecordByNameAndMedia) {
    expectVerdict(bootOnce(kPullAtOperation), GetParam());
}
INSTANTIATE_TEST_SUITE_P(Rounds, GuestPullAtOperation,
                         ::testing::ValuesIn(kPullAtOperation.rounds));

// Three optical drives: sr0 without a disc, sr1 with a disc whose sectors
// 600 to 602 cannot be read, sr2 with a good disc of 32 MiB.
class GuestOptical : public GuestSuite, public ::testing::WithParamInterface<const char*> {};

const GuestRun& opticalBoot() {
    static const GuestRun run = [] {
        TempDir dir;
        GuestSetup setup;
        setup.sticks = {dir.file("stick.img")};
        prepareStick(setup.sticks[0]);
        TempDir large;  // long enough to pull the stick halfway through
        const std::string iso = makeGameIso(dir, 3 << 20, 3);
        setup.drives = {{"", {}}, {iso, {600, 601, 602}}, {makeGameIso(large, 32 << 20, 4), {}}};
        setup.scenario = "optical";
        return guest::boot(setup);
    }();
    return run;
}

TEST_P(GuestOptical, FailsCleanly) {
    expectVerdict(opticalBoot(), GetParam());
}
INSTANTIATE_TEST_SUITE_P(Rounds, GuestOptical,
                         ::testing::Values("no-disc", "read-errors", "stick-pulled"));

}  // namespace
