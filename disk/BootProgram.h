#pragma once
// The boot program that fills bytes 90 to 509 of every boot sector we write.

#include <array>
#include <cstdint>

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
