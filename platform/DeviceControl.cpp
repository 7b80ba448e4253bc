#include "platform/DeviceControl.h"

namespace platform {
namespace {

DeviceControlHook& hook() {
    static DeviceControlHook instance;
    return instance;
}

}  // namespace

void setDeviceControlHook(DeviceControlHook newHook) {
    hook() = std::move(newHook);
}

const DeviceControlHook& deviceControlHook() {
    return hook();
}

}  // namespace platform
