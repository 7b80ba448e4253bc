// The intent file is read from a drive: only a sound one is acted on.

#include <gtest/gtest.h>

#include <functional>

#include "GameDrive.h"
#include "TempDir.h"
#include "store/ChangeIntent.h"
#include "store/LittleEndian.h"
#include "store/NameHash.h"

using namespace store;

namespace {

using Bytes = std::vector<std::uint8_t>;

ChangeIntent replacing() {
    ChangeIntent intent;
    intent.phase = ChangeIntent::Phase::Complete;
    intent.before = {gameRecord("Alpha", "SLUS_209.46", 2, true)};
    intent.after = {gameRecord("Alpha", "SLUS_209.46", 1)};
    intent.partSizes = {1433600};
    return intent;
}

// Puts the hash right after a change, as a writer of a forged file would.
void rehash(Bytes& bytes) {
    writeLe32(bytes.data() + 12, 0);
    writeLe32(bytes.data() + 12, nameHash(bytes.data(), bytes.size()));
}

}  // namespace

TEST(ChangeIntentTest, ReadsBackWhatWasWritten) {
    TempDir dir;
    const std::string root = dir.root();
    ASSERT_TRUE(writeIntent(root, replacing()));
    std::optional<ChangeIntent> read = readIntent(root);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->before, replacing().before);
    EXPECT_EQ(read->after, replacing().after);
    EXPECT_EQ(read->partSizes, replacing().partSizes);
    EXPECT_TRUE(clearIntent(root));
    EXPECT_FALSE(intentPending(root));
}

TEST(ChangeIntentTest, RefusesWhatNoWriterMakes) {
    const Bytes sound = *encodeIntent(replacing());
    const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> damage = {
        {"one byte short", [](Bytes& b) { b.pop_back(); }},
        {"one byte more", [](Bytes& b) { b.push_back(0); }},
        {"a byte changed", [](Bytes& b) { b[20] ^= 1; }},
        {"no magic",
         [](Bytes& b) {
             b[0] = 'X';
             rehash(b);
         }},
        {"unknown kind",
         [](Bytes& b) {
             b[8] = 9;
             rehash(b);
         }},
        {"unknown phase",
         [](Bytes& b) {
             b[9] = 2;
             rehash(b);
         }},
        {"too many records",
         [](Bytes& b) {
             b[10] = 9;
             rehash(b);
         }},
        {"no new record",
         [](Bytes& b) {
             b[11] = 0;
             rehash(b);
         }},
        {"a name with a control byte",
         [](Bytes& b) {
             b[16 + 1] = '\n';
             rehash(b);
         }},
        {"a name without its end",
         [](Bytes& b) {
             std::fill(b.begin() + 16, b.begin() + 48, 'A');
             rehash(b);
         }},
        {"a game ID that names no file",
         [](Bytes& b) {
             b[16 + 512 + 35] = '/';
             rehash(b);
         }},
        {"a replaced game of another name",
         [](Bytes& b) {
             b[16] = 'B';
             rehash(b);
         }},
    };
    for (const auto& [what, change] : damage) {
        Bytes bytes = sound;
        change(bytes);
        EXPECT_FALSE(decodeIntent(bytes)) << what;
    }
    EXPECT_TRUE(decodeIntent(sound));
}

TEST(ChangeIntentTest, RenameKeepsAllButTheName) {
    ChangeIntent intent;
    intent.kind = ChangeIntent::Kind::Rename;
    intent.before = {gameRecord("Alpha", "SLUS_209.46", 2)};
    intent.after = {gameRecord("Beta", "SLUS_209.46", 2)};
    EXPECT_TRUE(decodeIntent(*encodeIntent(intent)));
    intent.after = {gameRecord("Beta", "SLUS_209.46", 3)};
    EXPECT_FALSE(decodeIntent(*encodeIntent(intent)));
}
