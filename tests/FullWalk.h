#pragma once
// Tests that sample (the moments a walk stops or a stick is pulled at, the
// length of a soak) run every one with ZT_FULL_WALK=1: `make test-full`.

#include <cstdlib>
#include <string>

inline bool fullWalk() {
    const char* value = std::getenv("ZT_FULL_WALK");
    return value != nullptr && std::string(value) == "1";
}
