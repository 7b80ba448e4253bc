#include "store/ChangeIntent.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Files.h"
#include "platform/Volume.h"
#include "report/ShownText.h"
#include "store/LittleEndian.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"

namespace store {

using namespace platform;
using namespace report;

namespace {

constexpr char kMagic[8] = {'Z', 'T', 'I', 'N', 'T', 'E', 'N', 'T'};
constexpr std::size_t kKind = 8;
constexpr std::size_t kPhase = 9;
constexpr std::size_t kBeforeCount = 10;
constexpr std::size_t kAfterCount = 11;
constexpr std::size_t kHash = 12;
constexpr std::size_t kBefore = 16;
constexpr std::size_t kAfter = kBefore + kMaxIntentRecords * entry_layout::kSize;
constexpr std::size_t kSizes = kAfter + kMaxIntentRecords * entry_layout::kSize;
constexpr std::size_t kFileSize = kSizes + kMaxParts * 8;

std::uint32_t hashOf(std::vector<std::uint8_t> bytes) {
    std::memset(bytes.data() + kHash, 0, 4);
    return nameHash(bytes.data(), bytes.size());
}

void putRecords(std::vector<std::uint8_t>& bytes, std::size_t at,
                const std::vector<GameEntry>& records) {
    for (std::size_t i = 0; i < records.size(); ++i)
        std::copy(records[i].bytes.begin(), records[i].bytes.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + i * entry_layout::kSize));
}

std::vector<GameEntry> takeRecords(std::span<const std::uint8_t> bytes, std::size_t at,
                                   std::size_t count) {
    std::vector<GameEntry> records;
    for (std::size_t i = 0; i < count; ++i)
        records.push_back(GameEntry::fromBytes(
            bytes.subspan(at + i * entry_layout::kSize).first<entry_layout::kSize>()));
    return records;
}

// A name that ends within its field and holds no control byte.
bool soundName(const GameEntry& entry) {
    const std::string name = entry.DisplayName();
    return name.size() < entry_layout::kDisplayNameSize && !hasControlByte(name);
}

bool allNamed(const std::vector<GameEntry>& records, const std::string& name) {
    return std::all_of(records.begin(), records.end(),
                       [&](const GameEntry& entry) { return entry.DisplayName() == name; });
}

// Whether the records fit what the kind says of them.
bool fitsKind(const ChangeIntent& intent) {
    const std::vector<GameEntry>& before = intent.before;
    const std::vector<GameEntry>& after = intent.after;
    if (!std::all_of(before.begin(), before.end(), soundName) ||
        !std::all_of(after.begin(), after.end(), soundName))
        return false;
    switch (intent.kind) {
        case ChangeIntent::Kind::Replace:
            return after.size() == 1 && partFilesOf("", after[0]).valid &&
                   allNamed(before, after[0].DisplayName()) &&
                   (intent.phase == ChangeIntent::Phase::Writing ||
                    intent.partSizes.size() == static_cast<std::size_t>(after[0].PartCount()));
        case ChangeIntent::Kind::Delete:
            return !before.empty() && after.empty() && allNamed(before, before[0].DisplayName());
        case ChangeIntent::Kind::Rename:
            if (before.empty() || before.size() != after.size() ||
                before[0].DisplayName() == after[0].DisplayName() ||
                !allNamed(before, before[0].DisplayName()) ||
                !allNamed(after, after[0].DisplayName()))
                return false;
            for (std::size_t i = 0; i < before.size(); ++i) {
                GameEntry renamed = before[i];
                renamed.setDisplayName(after[i].DisplayName());
                if (!(renamed == after[i]))
                    return false;
            }
            return true;
    }
    return false;
}

}  // namespace

std::string intentPath(const std::string& root) {
    return root + kIntentName;
}

std::optional<std::vector<std::uint8_t>> encodeIntent(const ChangeIntent& intent) {
    if (intent.before.size() > kMaxIntentRecords || intent.after.size() > kMaxIntentRecords ||
        intent.partSizes.size() > static_cast<std::size_t>(kMaxParts))
        return std::nullopt;
    std::vector<std::uint8_t> bytes(kFileSize, 0);
    std::memcpy(bytes.data(), kMagic, sizeof kMagic);
    bytes[kKind] = static_cast<std::uint8_t>(intent.kind);
    bytes[kPhase] = static_cast<std::uint8_t>(intent.phase);
    bytes[kBeforeCount] = static_cast<std::uint8_t>(intent.before.size());
    bytes[kAfterCount] = static_cast<std::uint8_t>(intent.after.size());
    putRecords(bytes, kBefore, intent.before);
    putRecords(bytes, kAfter, intent.after);
    for (std::size_t i = 0; i < intent.partSizes.size(); ++i)
        writeLe64(bytes.data() + kSizes + i * 8, intent.partSizes[i]);
    writeLe32(bytes.data() + kHash, hashOf(bytes));
    return bytes;
}

std::optional<ChangeIntent> decodeIntent(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kFileSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 ||
        readLe32(bytes.data() + kHash) !=
            hashOf(std::vector<std::uint8_t>(bytes.begin(), bytes.end())))
        return std::nullopt;
    const std::uint8_t kind = bytes[kKind];
    const std::uint8_t phase = bytes[kPhase];
    const std::size_t beforeCount = bytes[kBeforeCount];
    const std::size_t afterCount = bytes[kAfterCount];
    if (kind < 1 || kind > 3 || phase > 1 || beforeCount > kMaxIntentRecords ||
        afterCount > kMaxIntentRecords)
        return std::nullopt;
    ChangeIntent intent;
    intent.kind = static_cast<ChangeIntent::Kind>(kind);
    intent.phase = static_cast<ChangeIntent::Phase>(phase);
    intent.before = takeRecords(bytes, kBefore, beforeCount);
    intent.after = takeRecords(bytes, kAfter, afterCount);
    if (intent.kind == ChangeIntent::Kind::Replace &&
        intent.phase == ChangeIntent::Phase::Complete && afterCount == 1) {
        const int parts = std::clamp<int>(intent.after[0].PartCount(), 0, kMaxParts);
        for (int i = 0; i < parts; ++i)
            intent.partSizes.push_back(readLe64(bytes.data() + kSizes + i * 8));
    }
    if (!fitsKind(intent))
        return std::nullopt;
    return intent;
}

bool writeIntent(const std::string& root, const ChangeIntent& intent) {
    const std::optional<std::vector<std::uint8_t>> bytes = encodeIntent(intent);
    if (!bytes) {
        errno = EOVERFLOW;  // more records of one name than an intent holds
        return false;
    }
    const std::string temp = root + kIntentTempName;
    if (!platform::writeFileSynced(temp, *bytes))
        return false;
    if (platform::replaceFile(temp, intentPath(root)) == platform::Replacement::Replaced)
        return true;
    clearIntent(root);  // the change does not start
    return false;
}

bool intentPending(const std::string& root) {
    return platform::pathTaken(intentPath(root)) || platform::pathTaken(root + kIntentTempName);
}

std::optional<ChangeIntent> readIntent(const std::string& root) {
    const std::optional<std::vector<std::uint8_t>> bytes =
        platform::readRegularFileAt(intentPath(root), 0, kFileSize + 1);
    if (!bytes)
        return std::nullopt;
    return decodeIntent(*bytes);
}

bool clearIntent(const std::string& root) {
    const std::string temp = root + kIntentTempName;
    const bool tempGone = !platform::pathTaken(temp) || platform::removeFile(temp);
    return platform::removeFile(intentPath(root)) && tempGone;
}

}  // namespace store
