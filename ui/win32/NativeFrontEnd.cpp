#include "ui/win32/NativeFrontEnd.h"

#include "platform/WideWin32.h"
#include "ui/WindowTemplates.h"
#include "ui/win32/AnswerKeys.h"
#include "ui/win32/WindowThread.h"

namespace ui::win32 {

using namespace platform;
using namespace report;

using platform::win32::widen;

namespace {

// A static control shows "\n" as a line break only after "\r": the text
// stands as the routine wrote it otherwise.
std::wstring withLineBreaks(const std::string& text) {
    std::wstring wide;
    for (wchar_t c : widen(text)) {
        if (c == L'\n')
            wide += L'\r';
        wide += c;
    }
    return wide;
}

}  // namespace

void NativeStatusLine::setText(const std::string& text) {
    const std::wstring wide = withLineBreaks(text);
    runOnWindowThread(control_, [&] { SetWindowTextW(control_, wide.c_str()); });
}

int NativeBoxes::run(const std::string& text, UINT type) {
    const std::wstring wide = withLineBreaks(text);
    int answer = 0;
    runOnWindowThread(window_, [&] {
        HWND owner = owner_();
        // The main window's title, as every box of the program has.
        answer = MessageBoxW(owner, wide.c_str(), widen(mainTemplate().caption).c_str(),
                             type | MB_SETFOREGROUND);
        noteKeysHeldAfterBox();
        // The keys go back to the window the box was over.
        if (owner != nullptr && IsWindowVisible(owner))
            SetForegroundWindow(owner);
    });
    return answer;
}

void NativeBoxes::show(const std::string& text) {
    run(text, MB_OK);
}

bool NativeBoxes::ask(const std::string& text, bool defaultNo) {
    return run(text, MB_YESNO | (defaultNo ? MB_DEFBUTTON2 : MB_DEFBUTTON1)) == IDYES;
}

}  // namespace ui::win32
