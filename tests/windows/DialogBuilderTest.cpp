// The native window's dialog templates as the dialog manager reads them.
#include <gtest/gtest.h>

#include "ui/win32/DialogBuilder.h"

using namespace ui::win32;
using namespace ui;

namespace {

// The style of a template's first control: behind the header of a dialog
// captioned "c" in the face "f" (22 words), its help id and extended style.
DWORD firstControlStyle(const ControlRow& row) {
    const ControlRow rows[] = {row};
    const DialogTemplate dialog{"c", "f", 10, 100, 50, rows};
    const std::vector<WORD> words = buildDialogTemplate(dialog, WS_POPUP);
    return MAKELONG(words.at(26), words.at(27));
}

}  // namespace

// An "&" in a text line (a game named "Ratchet & Clank") is shown, not taken
// as a mnemonic that underlines the next letter.
TEST(DialogBuilderTest, TextLinesShowAnAmpersandAsGiven) {
    for (const ControlKind kind : {ControlKind::Static, ControlKind::ClickStatic}) {
        const DWORD style = firstControlStyle({7, kind, "a & b", 1, 2, 30, 9, true});
        EXPECT_EQ(style & SS_NOPREFIX, static_cast<DWORD>(SS_NOPREFIX));
        EXPECT_EQ(style & SS_TYPEMASK, static_cast<DWORD>(SS_LEFT));
    }
}
