// What the windows draw as their templates say beyond the layout: which
// dialogs have flat buttons, and the native resource script's menu 134,
// whose popup the native window opens with the core's other items after it.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "ui/WindowTemplates.h"

using namespace ui;

TEST(WindowResourcesTest, OnlyTheDriveDialogsButtonsAreFlat) {
    const struct {
        const DialogTemplate& dialog;
        bool flat;
    } cases[] = {
        {driveTemplate(), true},
        {renameTemplate(), false},
        {mainTemplate(), false},
        {progressTemplate(), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.dialog.flatButtons, c.flat) << c.dialog.caption;
}

TEST(WindowResourcesTest, MenuResourceIsRmenuWithTheFirstThreeItemsOfTheListsMenu) {
    std::ifstream file(std::string(ZT_SOURCE_DIR) + "/ui/win32/zt_installer.rc.in");
    ASSERT_TRUE(file.good());
    std::stringstream text;
    text << file.rdbuf();
    const std::string script = text.str();
    const std::size_t menu = script.find("134 MENU");
    ASSERT_NE(menu, std::string::npos);
    const std::string body = script.substr(menu, script.find("\nEND", menu) - menu);
    EXPECT_NE(body.find("POPUP \"Rmenu\""), std::string::npos) << body;
    const std::regex item("MENUITEM \"([^\"]*)\", *([0-9]+)");
    std::size_t index = 0;
    const std::span<const MenuRow> rows = gameMenuTemplate();
    for (std::sregex_iterator at(body.begin(), body.end(), item), end; at != end; ++at, ++index) {
        ASSERT_LT(index, rows.size());
        EXPECT_EQ((*at)[1].str(), rows[index].text);
        EXPECT_EQ(std::stoi((*at)[2].str()), rows[index].command);
    }
    EXPECT_EQ(index, 3u);
}
