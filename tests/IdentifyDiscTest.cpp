#include "install/IdentifyDisc.h"

#include <gtest/gtest.h>

#include "FakeDisc.h"
#include "ScriptedFrontEnd.h"

using namespace install;
using namespace report;
using namespace platform;

namespace {

class IdentifyDiscTest : public ::testing::Test {
  protected:
    // The status texts of one identification, and the ID it found ("" on failure).
    std::string identify(std::shared_ptr<FakeDisc> disc) {
        DiscSource source(status, fakeOpener(disc));
        info = DiscInfo{};
        IdentifyResult identified = identifyDisc(source, "fake", status);
        const bool ok = identified.succeeded();
        if (ok) {
            info = identified.value();
        } else {
            EXPECT_EQ(identified.failure().object, "fake");  // the failure names the source
        }
        EXPECT_EQ(source.isOpen(), ok);
        return ok ? info.gameId : "";
    }
    std::string lastText() const { return status.texts.empty() ? "" : status.texts.back(); }

    ScriptedStatus status;
    DiscInfo info;
};

}  // namespace

TEST_F(IdentifyDiscTest, FindsSystemCnfInTheRootDirectory) {
    EXPECT_EQ(identify(makeGameDisc(5000)), "ABCD_123.45");
    EXPECT_EQ(info.sectorCount, 5000);
    EXPECT_EQ(status.texts, (std::vector<std::string>{"Checking disc..\n", ""}));

    // Any case, any version suffix.
    auto disc = std::make_shared<FakeDisc>();
    disc->sectors = 300;
    putIsoVolume(*disc, 300, "BOOT = cdrom:\\SLUS_000.01;1\n", "system.cnf;2");
    EXPECT_EQ(identify(disc), "SLUS_000.01");
    putIsoVolume(*disc, 300, "BOOT = cdrom:\\SLUS_000.01;1\n", "System.Cnf");
    EXPECT_EQ(identify(disc), "SLUS_000.01");
}

TEST_F(IdentifyDiscTest, ReportsEachWayADiscCanFail) {
    auto disc = makeGameDisc(5000);
    disc->opens = false;
    identify(disc);
    EXPECT_EQ(lastText(), "Unable to access source drive\n");

    disc = makeGameDisc(5000);
    disc->content[16][6] = 2;  // version byte
    identify(disc);
    EXPECT_EQ(lastText(), "Invalid disc\n");

    disc = makeGameDisc(5000);
    disc->content[16][0] = 2;
    identify(disc);
    EXPECT_EQ(lastText(), "Invalid disc\n");

    disc = std::make_shared<FakeDisc>();
    disc->sectors = 5000;
    putIsoVolume(*disc, 0, "BOOT2 = cdrom0:\\ABCD_123.45;1\n");  // a volume of no sectors
    identify(disc);
    EXPECT_EQ(lastText(), "Invalid disc\n");
    putIsoVolume(*disc, 0x80000000u, "BOOT2 = cdrom0:\\ABCD_123.45;1\n");  // negative as signed
    identify(disc);
    EXPECT_EQ(lastText(), "Invalid disc\n");

    putIsoVolume(*disc, 5000, "", "");  // no SYSTEM.CNF
    identify(disc);
    EXPECT_EQ(lastText(), "SYSTEM.CNF does not exist on CD/DVD\n");
    putIsoVolume(*disc, 5000, "BOOT2 = cdrom0:\\ABCD_123.45;1\n", "SYSTEM.CNX;1");
    identify(disc);
    EXPECT_EQ(lastText(), "SYSTEM.CNF does not exist on CD/DVD\n");

    putIsoVolume(*disc, 5000, "");
    identify(disc);
    EXPECT_EQ(lastText(), "SYSTEM.CNF is truncated\n");

    putIsoVolume(*disc, 5000, "boot2 = cdrom0:\\ABCD_123.45;1\n");
    identify(disc);
    EXPECT_EQ(lastText(), "SYSTEM.CNF is damaged\n");

    putIsoVolume(*disc, 5000, "BOOT2 = ");
    identify(disc);
    EXPECT_EQ(lastText(), "SYSTEM.CNF is damaged\n");
}

TEST_F(IdentifyDiscTest, DirectoryEntryNamedSystemCnfIsNotTheFile) {
    auto disc = makeGameDisc(5000);
    disc->content[18][68 + 25] = 0x02;  // the third record (after "." and "..") is a folder
    EXPECT_EQ(identify(disc), "");
    EXPECT_EQ(lastText(), "SYSTEM.CNF does not exist on CD/DVD\n");
}

TEST_F(IdentifyDiscTest, ExtentsOutsideTheVolumeAreRefused) {
    // SYSTEM.CNF at sector 19 of a volume that claims 19 sectors.
    auto disc = std::make_shared<FakeDisc>();
    disc->sectors = 5000;
    putIsoVolume(*disc, 19, "BOOT2 = cdrom0:\\ABCD_123.45;1\n");
    EXPECT_EQ(identify(disc), "");
    EXPECT_EQ(lastText(), "SYSTEM.CNF is damaged\n");
}

TEST_F(IdentifyDiscTest, UnreadableDescriptorLeavesTheReadersTexts) {
    auto disc = makeGameDisc(5000);
    disc->failing = {16};
    EXPECT_EQ(identify(disc), "");
    EXPECT_EQ(lastText(), "\nGIVING UP\n");
    EXPECT_EQ(status.texts.size(), 6u);
}

// An image cut short before its SYSTEM.CNF: the image is incomplete, not the file damaged.
TEST_F(IdentifyDiscTest, AnImageEndingBeforeItsSystemCnfSaysItIsIncomplete) {
    auto disc = makeGameDisc(5000);
    disc->sectors = 19;  // SYSTEM.CNF lies at sector 19
    EXPECT_EQ(identify(disc), "");
    EXPECT_EQ(lastText(),
              "The image ends 4981 sectors before its volume of 5000 sectors: it is incomplete\n");
}
