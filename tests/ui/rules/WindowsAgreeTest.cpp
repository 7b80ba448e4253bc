// Both windows, the Qt one and the native Windows one, are views of one
// core and forward a person's actions to the same calls of it: for each
// action, what every window then shows (the page's controls, the boxes and
// their texts, whether it closed) is decided here, once.
#include <gtest/gtest.h>

#include <functional>

#include "FakeWindowView.h"
#include "GameDrive.h"
#include "ui/ControlIds.h"
#include "ui/MainWindowCore.h"
#include "ui/StartChecks.h"

using namespace ui;
using namespace store;
using namespace report;
using namespace install;
using namespace library;
using namespace platform;
using namespace disk;

namespace {

constexpr const char* kUrl = "https://tarnwick.example/";

struct Action {
    const char* what;
    std::function<void(MainWindowCore&, FakeWindowView&)> act;
    Page page;                           // the page the window shows after it
    std::vector<std::string> boxes;      // the boxes shown, in order
    std::vector<std::string> questions;  // asked, each with No as the default or not
    std::vector<bool> defaultNo = {};
    int closed = 0;
};

const std::vector<Action>& actions() {
    using namespace control;
    static const std::vector<Action> table = {
        {"Enter in the name box, Escape in the list",
         [](MainWindowCore& core, FakeWindowView&) {
             core.onKey(WindowKey::Enter, kGameNameEdit);
             core.onKey(WindowKey::Escape, kGameList);
         },
         Page::Installer,
         {},
         {}},
        {"Start without a source: said after the question",
         [](MainWindowCore& core, FakeWindowView& view) {
             view.boxesShown.answers = {true};
             core.onCommand(kStartButton);
         },
         Page::Installer,
         {"Please choose a CD/DVD drive, or an image file through \"Image file...\"."},
         {"Start Install?"},
         {false}},
        {"Delete with no game selected",
         [](MainWindowCore& core, FakeWindowView&) { core.onCommand(kDeleteCommand); },
         Page::Installer,
         {"Please select game"},
         {}},
        {"Delete of the selected game, answered No",
         [](MainWindowCore& core, FakeWindowView& view) {
             view.select("Alpha");
             core.onContextMenu(false);
         },
         Page::Installer,
         {},
         {"Delete Game Alpha?"},
         {false}},
        {"Format... and the drive dialog cancelled",
         [](MainWindowCore& core, FakeWindowView& view) {
             core.onTabChanged(1);
             core.onCommand(kFormatButton);
             EXPECT_EQ(view.driveDialogs, 1);
         },
         Page::Format,
         {},
         {}},
        {"the About page's link with no browser",
         [](MainWindowCore& core, FakeWindowView& view) {
             view.browserOpens = false;
             core.onTabChanged(2);
             core.openWebSite();
         },
         Page::About,
         {webSiteFailureText(kUrl)},
         {}},
        {"the close box with no job",
         [](MainWindowCore& core, FakeWindowView&) { core.OnClose(); },
         Page::Installer,
         {},
         {},
         {},
         1},
    };
    return table;
}

TEST(WindowsAgreeTest, EachActionShowsTheSameInEveryWindow) {
    for (const Action& action : actions()) {
        SCOPED_TRACE(action.what);
        GameDrive usb;
        usb.addGame("Alpha", "SLUS_000.01", {4096});
        FakeDriveList drives;
        drives.fixed = {{usb.root(), "/dev/sdb1", true}};
        FakeWindowView view;
        view.menuChoice = control::kDeleteCommand;
        WindowLog log{"", false};
        CoreServices services;
        services.drives = &drives;
        services.websiteUrl = kUrl;
        MainWindowCore core(view, services, log);
        core.init();

        action.act(core, view);
        for (Page page : {Page::Installer, Page::Format, Page::About}) {
            for (int id : pageControls(page))
                EXPECT_EQ(view.shown[id], page == action.page) << "control " << id;
        }
        EXPECT_EQ(view.boxesShown.shown, action.boxes);
        EXPECT_EQ(view.boxesShown.questions, action.questions);
        EXPECT_EQ(view.boxesShown.defaultNoFlags, action.defaultNo);
        EXPECT_EQ(view.closed, action.closed);
        EXPECT_TRUE(view.inputOn);
    }
}

}  // namespace
