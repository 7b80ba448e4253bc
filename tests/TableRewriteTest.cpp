#include "store/TableRewrite.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "TempDir.h"
#include "store/DriveRoot.h"

using namespace store;

namespace {

GameEntry entryNamed(const std::string& name, std::uint8_t parts = 1) {
    GameEntry entry;
    entry.setDisplayName(name);
    entry.setImageFileName("zt.ABCD_123.45");
    entry.setPartCount(parts);
    entry.setMediaType(kMediaDvd);
    entry.setSectorSize(2048);
    return entry;
}

std::vector<std::string> namesIn(const std::string& root) {
    std::vector<std::string> names;
    for (const GameEntry& e : readTableFile(tablePath(root)).records)
        names.push_back(e.DisplayName());
    return names;
}

auto dropNamed(const std::string& name) {
    return [name](const GameEntry& e) {
        return e.DisplayName() == name ? RecordDecision::Drop : RecordDecision::Keep;
    };
}

class TableRewriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<GameEntry> records{entryNamed("A"), entryNamed("B"), entryNamed("A", 3),
                                       entryNamed("C")};
        ASSERT_TRUE(writeTableFile(tablePath(drive.root()), records));
        before = readBytes(tablePath(drive.root()));
    }
    bool tempLeft() const { return std::filesystem::exists(tempTablePath(drive.root())); }

    TempDir drive;
    std::vector<std::uint8_t> before;
};

}  // namespace

TEST_F(TableRewriteTest, DropsEveryMatchKeepsOrderAndReportsDropped) {
    RewriteResult result = rewriteTable(drive.root(), dropNamed("A"));
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(namesIn(drive.root()), (std::vector<std::string>{"B", "C"}));
    ASSERT_EQ(result.value().dropped.size(), 2u);
    EXPECT_EQ(result.value().dropped[1].PartCount(), 3);
    EXPECT_FALSE(tempLeft());
}

TEST_F(TableRewriteTest, AppendsAfterKeptRecords) {
    GameEntry added = entryNamed("A", 2);
    ASSERT_TRUE(rewriteTable(drive.root(), dropNamed("A"), std::span(&added, 1)).succeeded());
    EXPECT_EQ(namesIn(drive.root()), (std::vector<std::string>{"B", "C", "A"}));
}

TEST_F(TableRewriteTest, CaseSensitiveNoMatchRewritesIdentically) {
    ASSERT_TRUE(rewriteTable(drive.root(), dropNamed("a")).succeeded());
    EXPECT_EQ(readBytes(tablePath(drive.root())), before);
}

TEST_F(TableRewriteTest, AbandonLeavesTableUntouched) {
    int asked = 0;
    RewriteResult result = rewriteTable(drive.root(), [&](const GameEntry& e) {
        if (e.DisplayName() != "A")
            return RecordDecision::Keep;
        return ++asked == 2 ? RecordDecision::Abandon : RecordDecision::Drop;
    });
    EXPECT_TRUE(result.failedAt(TableRewriteStep::Abandoned));
    EXPECT_FALSE(result);  // no records dropped
    EXPECT_EQ(readBytes(tablePath(drive.root())), before);
    EXPECT_FALSE(tempLeft());
}

TEST_F(TableRewriteTest, FailureAfterTempWrittenKeepsOldTableWhole) {
    RewriteResult result = rewriteTable(drive.root(), dropNamed("B"), {}, [&] {
        // The new table is complete beside the old one; a reader still sees the old one.
        EXPECT_TRUE(tempLeft());
        EXPECT_EQ(readBytes(tablePath(drive.root())), before);
        return false;  // stands for a crash or an unplugged drive at this moment
    });
    EXPECT_TRUE(result.failedAt(TableRewriteStep::Write));
    EXPECT_FALSE(result);  // no records dropped
    EXPECT_EQ(readBytes(tablePath(drive.root())), before);
    EXPECT_FALSE(tempLeft());
}

TEST_F(TableRewriteTest, TempFileThatCannotBeCreatedLeavesTableUntouched) {
    // A folder in the way of the temporary file makes its creation fail, even for root.
    std::filesystem::create_directory(tempTablePath(drive.root()));
    RewriteResult result = rewriteTable(drive.root(), dropNamed("A"));
    EXPECT_TRUE(result.failedAt(TableRewriteStep::Write));
    EXPECT_FALSE(result);  // no records dropped
    EXPECT_EQ(readBytes(tablePath(drive.root())), before);
    EXPECT_TRUE(std::filesystem::is_directory(tempTablePath(drive.root())));
}

TEST_F(TableRewriteTest, DroppingTheOnlyRecordLeavesEmptyTable) {
    TempDir single;
    GameEntry only = entryNamed("Only");
    ASSERT_TRUE(writeTableFile(tablePath(single.root()), std::span(&only, 1)));
    ASSERT_TRUE(rewriteTable(single.root(), dropNamed("Only")).succeeded());
    EXPECT_TRUE(std::filesystem::exists(tablePath(single.root())));
    EXPECT_EQ(std::filesystem::file_size(tablePath(single.root())), 0u);
}

TEST_F(TableRewriteTest, UnreadableTableIsNotExamined) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    ::chmod(tablePath(drive.root()).c_str(), 0);
    bool asked = false;
    RewriteResult result = rewriteTable(drive.root(), [&](const GameEntry&) {
        asked = true;
        return RecordDecision::Drop;
    });
    ::chmod(tablePath(drive.root()).c_str(), 0644);
    EXPECT_TRUE(result.failedAt(TableRewriteStep::NotOpened));
    EXPECT_FALSE(asked);
    EXPECT_EQ(readBytes(tablePath(drive.root())), before);
}

TEST_F(TableRewriteTest, PipeOrHugeTableIsNotExaminedNorReplaced) {
    TempDir pipeDrive;
    ASSERT_EQ(::mkfifo(tablePath(pipeDrive.root()).c_str(), 0644), 0);
    EXPECT_TRUE(rewriteTable(pipeDrive.root(), dropNamed("A"))
                    .failedAt(TableRewriteStep::NotOpened));  // returns at once instead of blocking
    EXPECT_TRUE(std::filesystem::is_fifo(tablePath(pipeDrive.root())));

    std::filesystem::resize_file(tablePath(drive.root()), (kMaxTableRecords + 1) * 64);  // sparse
    TableContents huge = readTableFile(tablePath(drive.root()));
    EXPECT_TRUE(huge.exists);
    EXPECT_FALSE(huge.opened);
    EXPECT_TRUE(rewriteTable(drive.root(), dropNamed("A")).failedAt(TableRewriteStep::NotOpened));
    EXPECT_EQ(std::filesystem::file_size(tablePath(drive.root())), (kMaxTableRecords + 1) * 64);
}
