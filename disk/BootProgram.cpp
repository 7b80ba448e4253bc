#include "disk/BootProgram.h"

#include <algorithm>

// The bytes nasm made of BootProgram.asm, generated at build time.
#include "disk/BootProgramBytes.h"

namespace disk {

// Other programs find the loader name and the messages at fixed offsets, and
// the program finds its messages through the table: the build stops if the
// source moved any of them.
namespace {
constexpr std::uint8_t at(std::size_t sectorOffset) {
    return kBootProgramBytes[sectorOffset - kBootProgramOffset];
}
}  // namespace
static_assert(sizeof kBootProgramBytes == kBootProgramSize);
static_assert(at(kLoaderNameOffset) == 'N' && at(kLoaderNameOffset + 10) == ' ');
static_assert(at(kRemoveMediaMessageOffset + 2) == 'R' && at(kDiskErrorMessageOffset + 2) == 'D' &&
              at(kPressKeyMessageOffset + 2) == 'P');
static_assert(at(kMessageTableOffset) == kRemoveMediaMessageOffset - 256 &&
              at(kMessageTableOffset + 1) == kDiskErrorMessageOffset - 256 &&
              at(kMessageTableOffset + 2) == kPressKeyMessageOffset - 256);

const std::array<std::uint8_t, kBootProgramSize>& bootProgram() {
    static const std::array<std::uint8_t, kBootProgramSize> program = [] {
        std::array<std::uint8_t, kBootProgramSize> bytes{};
        std::copy(std::begin(kBootProgramBytes), std::end(kBootProgramBytes), bytes.begin());
        return bytes;
    }();
    return program;
}

}  // namespace disk
