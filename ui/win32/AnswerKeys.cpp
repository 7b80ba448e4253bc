#include "ui/win32/AnswerKeys.h"

#include <bitset>

namespace ui::win32 {

namespace {

std::bitset<256> held;  // virtual-key codes

bool isDown(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

}  // namespace

void noteKeysHeldAfterBox() {
    // From the backspace key on: the mouse buttons come before it. The
    // modifiers alone act on nothing, and a chord begun after the box counts.
    for (int key = VK_BACK; key < 255; ++key) {
        const bool modifier = key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU ||
                              (key >= VK_LSHIFT && key <= VK_RMENU);
        held[static_cast<std::size_t>(key)] = !modifier && isDown(key);
    }
}

bool isHeldAnswerKey(const MSG& message) {
    const auto key = static_cast<std::size_t>(message.wParam & 0xFF);
    switch (message.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // A release that never reached this thread ends the answer too.
            if (held[key] && !isDown(static_cast<int>(key)))
                held[key] = false;
            return held[key];
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (!held[key])
                return false;
            held[key] = false;
            return true;
        default:
            return false;
    }
}

}  // namespace ui::win32
