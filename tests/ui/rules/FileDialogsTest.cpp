// The file dialogs every window draws as the core describes them: the image
// dialog opens where the last image lay, the export's in the home folder,
// offering the game's file and adding ".iso" to a name typed without one.
#include <gtest/gtest.h>

#include "ui/FileDialogs.h"

using namespace ui;

TEST(FileDialogsTest, EachDialogSaysWhatItOffersAndWhere) {
    using Kind = FileDialogLook::Kind;
    const std::vector<FileFilter> images = {{"Disc images", {"iso", "img", "bin", "cue"}},
                                            {"All files", {}}};
    const struct {
        FileDialogLook look;
        Kind kind;
        std::string title, folder, name, suffix;
        std::vector<FileFilter> filters;
    } cases[] = {
        {imageDialog("", false), Kind::Open, "Image file", "", "", "", images},
        {imageDialog("/images", true), Kind::OpenMany, "Image file", "/images", "", "", images},
        {exportDialog("My Game.iso", "/home/ann"),
         Kind::Save,
         "Export",
         "/home/ann",
         "My Game.iso",
         "iso",
         {{"Disc images", {"iso"}}, {"All files", {}}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.look.kind, c.kind) << c.title;
        EXPECT_EQ(c.look.title, c.title);
        EXPECT_EQ(c.look.folder, c.folder) << c.title;
        EXPECT_EQ(c.look.name, c.name) << c.title;
        EXPECT_EQ(c.look.suffix, c.suffix) << c.title;
        ASSERT_EQ(c.look.filters.size(), c.filters.size()) << c.title;
        for (std::size_t i = 0; i < c.filters.size(); ++i) {
            EXPECT_EQ(c.look.filters[i].name, c.filters[i].name) << c.title;
            EXPECT_EQ(c.look.filters[i].extensions, c.filters[i].extensions) << c.title;
        }
    }
}
