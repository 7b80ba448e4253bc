// Identification of a disc held in memory: the input is the disc from sector
// 16 on (sectors 0 to 15 read as zeros), so the volume descriptor, the root
// directory and SYSTEM.CNF all come from it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "install/IdentifyDisc.h"

using namespace install;
using namespace report;
using namespace platform;

namespace {

class QuietStatus : public StatusLine {
  public:
    void setText(const std::string&) override {}
};

class MemoryDisc : public DiscDevice {
  public:
    explicit MemoryDisc(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::int64_t read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        if (offset >= bytes_.size())
            return 0;
        std::size_t n = std::min<std::uint64_t>(length, bytes_.size() - offset);
        std::memcpy(buffer, bytes_.data() + offset, n);
        return static_cast<std::int64_t>(n);
    }

  private:
    const std::vector<std::uint8_t>& bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> disc(16 * 2048, 0);
    disc.insert(disc.end(), data, data + size);
    QuietStatus status;
    DiscSource source(status, [&disc](const std::string&) -> DiscOpenResult {
        return {std::make_unique<MemoryDisc>(disc)};
    });
    if (IdentifyResult identified = identifyDisc(source, "memory", status)) {
        const DiscInfo& info = identified.value();
        if (info.sectorCount <= 0 || info.source != &source || !source.isOpen())
            __builtin_trap();
    }
    return 0;
}
