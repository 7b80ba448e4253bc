#pragma once
// The boot program that fills bytes 90 to 509 of every boot sector we write,
// assembled from BootProgram.asm: it loads the loader file named at offset 368
// from the root directory and starts it, or shows why it cannot.

#include <array>
#include <cstdint>

namespace disk {

constexpr std::size_t kBootProgramOffset = 90;
constexpr std::size_t kBootProgramSize = 420;

// Sector offsets of what the program holds.
constexpr std::size_t kLoaderNameOffset = 368;
constexpr std::size_t kRemoveMediaMessageOffset = 428;
constexpr std::size_t kDiskErrorMessageOffset = 459;
constexpr std::size_t kPressKeyMessageOffset = 472;
constexpr std::size_t kMessageTableOffset = 505;  // three bytes: message offsets less 256

// The 420 bytes, to be copied to offset 90 of a boot sector.
const std::array<std::uint8_t, kBootProgramSize>& bootProgram();

}  // namespace disk
