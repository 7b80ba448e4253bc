#pragma once
// Every device-control request the Windows platform layer sends to a disk or
// a volume (geometry, drive layout, partition information, volume lock,
// dismount, unlock) passes here, so that a test can answer as a real Windows
// and a real disk would where the system at hand cannot (Wine has no volume
// lock and no drive layout).
#include <cstdint>
#include <functional>

namespace platform {

// Answers one request: the code, the input record and room for the output.
// True when the device accepted it, with the bytes of output in `returned`;
// false with the Windows error code in `error`.
using DeviceControlHook = std::function<bool(
    std::intptr_t handle, std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
    std::uint32_t outSize, std::uint32_t& returned, std::uint32_t& error)>;

// Installs the hook for the whole process; an empty one gives the requests
// back to the system.
void setDeviceControlHook(DeviceControlHook hook);
const DeviceControlHook& deviceControlHook();

}  // namespace platform
