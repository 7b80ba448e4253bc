// Which button Enter presses in each dialog when the focus is on no button:
// the drive and rename dialogs' "Ok"; in the main and progress windows only
// a focused button takes Enter.
#include <gtest/gtest.h>

#include <string>

#include "ui/ControlIds.h"
#include "ui/WindowTemplates.h"

using namespace ui;

TEST(DialogKeysTest, EachDialogsDefaultButtonIsOneOfItsButtons) {
    const struct {
        const DialogTemplate& dialog;
        int defaultButton;
        const char* caption;
    } cases[] = {
        {driveTemplate(), control::kOkButton, "Ok"},
        {renameTemplate(), control::kOkButton, "Ok"},
        {mainTemplate(), kNoControlId, nullptr},
        {progressTemplate(), kNoControlId, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.dialog.defaultButton, c.defaultButton) << c.dialog.caption;
        if (c.caption == nullptr)
            continue;
        int found = 0;
        for (const ControlRow& row : c.dialog.controls) {
            if (row.id == c.defaultButton) {
                ++found;
                EXPECT_EQ(row.kind, ControlKind::Button) << c.dialog.caption;
                EXPECT_EQ(std::string(row.text), c.caption) << c.dialog.caption;
            }
        }
        EXPECT_EQ(found, 1) << c.dialog.caption;
    }
}
