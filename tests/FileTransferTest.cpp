#include "platform/FileTransfer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Symlink.h"
#include "TempDir.h"
#include "platform/Volume.h"

using namespace platform;

using platform::CopyResult;
using platform::RenameResult;

namespace {

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

}  // namespace

TEST(RenameNoReplaceTest, RenamesOnlyToAFreeName) {
    TempDir dir;
    writeBytes(dir.file("old"), {1, 2, 3});
    EXPECT_EQ(platform::renameNoReplace(dir.file("old"), dir.file("new")), RenameResult::Renamed);
    EXPECT_FALSE(exists(dir.file("old")));
    EXPECT_EQ(readBytes(dir.file("new")), (std::vector<std::uint8_t>{1, 2, 3}));

    writeBytes(dir.file("other"), {9});
    EXPECT_EQ(platform::renameNoReplace(dir.file("other"), dir.file("new")),
              RenameResult::TargetExists);
    EXPECT_EQ(readBytes(dir.file("new")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(readBytes(dir.file("other")), (std::vector<std::uint8_t>{9}));
}

TEST(RenameNoReplaceTest, MissingOldFileIsToldApartFromATakenName) {
    TempDir dir;
    EXPECT_EQ(platform::renameNoReplace(dir.file("gone"), dir.file("free")),
              RenameResult::SourceMissing);
    // A missing old file counts first even when the new name is taken.
    writeBytes(dir.file("taken"), {5});
    EXPECT_EQ(platform::renameNoReplace(dir.file("gone"), dir.file("taken")),
              RenameResult::SourceMissing);
    writeBytes(dir.file("here"), {6});
    EXPECT_EQ(platform::renameNoReplace(dir.file("here"), dir.file("no-such-folder/x")),
              RenameResult::Failed);
    EXPECT_TRUE(exists(dir.file("here")));
}

TEST(CopyFileNoReplaceTest, CopiesContentAndReportsProgressUpToTheSize) {
    TempDir from, to;
    const auto data = pattern(300000);
    writeBytes(from.file("part"), data);
    std::uint64_t lastDone = 0, lastTotal = 0;
    auto outcome = platform::copyFileNoReplace(from.file("part"), to.file("part"),
                                               [&](std::uint64_t done, std::uint64_t total) {
                                                   lastDone = done;
                                                   lastTotal = total;
                                                   return true;
                                               });
    ASSERT_EQ(outcome.result, CopyResult::Copied) << outcome.error;
    EXPECT_EQ(readBytes(to.file("part")), data);
    EXPECT_EQ(lastDone, data.size());
    EXPECT_EQ(lastTotal, data.size());

    // An empty file is copied too.
    writeBytes(from.file("empty"), {});
    EXPECT_EQ(platform::copyFileNoReplace(from.file("empty"), to.file("empty"), {}).result,
              CopyResult::Copied);
    EXPECT_TRUE(exists(to.file("empty")));
}

TEST(CopyFileNoReplaceTest, NeverReplacesAnExistingDestination) {
    TempDir from, to;
    writeBytes(from.file("part"), pattern(1000));
    writeBytes(to.file("part"), {42});
    EXPECT_EQ(platform::copyFileNoReplace(from.file("part"), to.file("part"), {}).result,
              CopyResult::TargetExists);
    EXPECT_EQ(readBytes(to.file("part")), (std::vector<std::uint8_t>{42}));
}

TEST(CopyFileNoReplaceTest, CancelAndFailureLeaveNoDestination) {
    TempDir from, to;
    writeBytes(from.file("part"), pattern(5000));
    auto cancelled = platform::copyFileNoReplace(
        from.file("part"), to.file("part"), [](std::uint64_t, std::uint64_t) { return false; });
    EXPECT_EQ(cancelled.result, CopyResult::Cancelled);
    EXPECT_FALSE(exists(to.file("part")));

    auto missing = platform::copyFileNoReplace(from.file("nothing"), to.file("nothing"), {});
    EXPECT_EQ(missing.result, CopyResult::Failed);
    EXPECT_FALSE(missing.error.empty());
    EXPECT_FALSE(exists(to.file("nothing")));

    // A folder is not a file to copy.
    std::filesystem::create_directory(from.file("folder"));
    EXPECT_EQ(platform::copyFileNoReplace(from.file("folder"), to.file("folder"), {}).result,
              CopyResult::Failed);
    EXPECT_FALSE(exists(to.file("folder")));
}

TEST(CopyFileNoReplaceTest, NeverReadsOrWritesThroughALink) {
    TempDir from, to, outside;
    writeBytes(outside.file("secret"), {1, 2, 3});
    ZT_MAKE_SYMLINK(outside.file("secret"), from.file("part"));
    EXPECT_EQ(platform::copyFileNoReplace(from.file("part"), to.file("part"), {}).result,
              CopyResult::Failed);
    EXPECT_FALSE(exists(to.file("part")));

    // A dangling link where the copy goes is a taken name: nothing is created through it.
    writeBytes(from.file("real"), {4, 5});
    ZT_MAKE_SYMLINK(outside.file("new"), to.file("real"));
    EXPECT_EQ(platform::copyFileNoReplace(from.file("real"), to.file("real"), {}).result,
              CopyResult::TargetExists);
    EXPECT_FALSE(exists(outside.file("new")));
}

TEST(VolumeTest, SameFolderGoesByIdentityNotSpelling) {
    TempDir a, b;
    std::string plain = a.path().string();
    EXPECT_TRUE(platform::sameFolder(plain, plain + "/"));
    EXPECT_TRUE(platform::sameFolder(a.root(), plain + "/../" + a.path().filename().string()));
    ZT_MAKE_SYMLINK(a.path(), b.file("link"));
    EXPECT_TRUE(platform::sameFolder(b.file("link") + "/", a.root()));
    EXPECT_FALSE(platform::sameFolder(a.root(), b.root()));
    EXPECT_FALSE(platform::sameFolder(a.file("missing"), a.file("missing")));
}

TEST(VolumeTest, SpaceOfAnExistingFolderOnly) {
    TempDir dir;
    auto space = platform::volumeSpace(dir.root());
    ASSERT_TRUE(space.has_value());
    EXPECT_GT(space->total, 0u);
    EXPECT_LE(space->free, space->total);
    EXPECT_FALSE(platform::volumeSpace(dir.file("missing/")).has_value());
}
