#pragma once
// Hands written bytes of a file to the device early, so that a long copy
// leaves little for the flush at its end. Hints only: what they do not do,
// the file's flush still does.

#include <cstdint>

namespace platform {

// Starts writing the bytes [offset, offset + length) of the open file
// `handle` to the device, without waiting.
void startWriteBack(std::intptr_t handle, std::uint64_t offset, std::uint64_t length);
// Waits until the bytes [offset, offset + length) of the file are on the device.
void awaitWriteBack(std::intptr_t handle, std::uint64_t offset, std::uint64_t length);

}  // namespace platform
