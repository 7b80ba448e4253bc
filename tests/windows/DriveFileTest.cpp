// Files on a drive on Windows: a link is known by its attributes or by where
// its handle leads, and a drive letter pointed elsewhere during a command gets
// nothing of it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "library/GameDeletion.h"
#include "library/GameRename.h"
#include "platform/DriveFileWin32.h"
#include "platform/FaultPoint.h"

using platform::win32::isLink;
using platform::win32::OpenedFile;

TEST(DriveFileTest, ALinkIsKnownByItsAttributesOrByWhereItsHandleLeads) {
    const std::wstring part = L"\\Device\\HarddiskVolume2\\zt.93F62D17.SLUS_209.46.00";
    const struct {
        const char* what;
        OpenedFile file;
        bool link;
    } cases[] = {
        {"the file itself", {FILE_ATTRIBUTE_ARCHIVE, part, part, L""}, false},
        {"its name in another case",
         {FILE_ATTRIBUTE_ARCHIVE, part, L"\\Device\\HarddiskVolume2\\ZT.93f62d17.SLUS_209.46.00", L""},
         false},
        {"a reparse point", {FILE_ATTRIBUTE_REPARSE_POINT, part, part, L""}, true},
        {"a reparse point whose path is unknown", {FILE_ATTRIBUTE_REPARSE_POINT, L"", part, L""}, true},
        {"a handle that leads off the drive (a Unix link under Wine)",
         {FILE_ATTRIBUTE_ARCHIVE, L"\\Device\\HarddiskVolume3\\tmp\\outside\\secret", part, L""},
         true},
        {"a handle that leads to another file of the drive",
         {FILE_ATTRIBUTE_ARCHIVE, L"\\Device\\HarddiskVolume2\\zt.cfg", part, L""}, true},
        {"a name given in its short form",
         {FILE_ATTRIBUTE_ARCHIVE, L"\\Device\\HarddiskVolume2\\Games\\long name.iso",
          L"\\Device\\HarddiskVolume2\\Games\\LONGNA~1.ISO",
          L"\\Device\\HarddiskVolume2\\Games\\long name.iso"},
         false},
        {"a system that cannot tell where a handle leads", {FILE_ATTRIBUTE_ARCHIVE, L"", part, L""}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isLink(c.file), c.link) << c.what;
}

namespace {

// The drive letter V: for a folder, as subst makes one, pointed elsewhere on request.
struct Letter {
    explicit Letter(const std::string& folder) { point(folder); }
    ~Letter() { DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"V:", nullptr); }
    void point(const std::string& folder) {
        DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"V:", nullptr);
        EXPECT_TRUE(DefineDosDeviceW(0, L"V:", std::filesystem::path(folder).wstring().c_str()));
    }
};

std::vector<std::uint8_t> bytesOf(const std::string& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

// The letter is pointed at another drive in the moment between the check
// that the drive is still the one held and the change: the change still acts
// on the held drive, and the next step stops the command.
TEST(DriveFileTest, ADriveLetterPointedElsewhereDuringACommandGetsNothing) {
    const std::string id = "ABCD_123.45";
    const struct {
        const char* what;
        platform::FileOp op;  // the step at which the letter moves
        bool rename;          // the command: a rename, or a delete
    } steps[] = {
        {"delete, at the removal of a part", platform::FileOp::Remove, false},
        {"delete, at the table's new file", platform::FileOp::Open, false},
        {"rename, at the renaming of a part", platform::FileOp::Rename, true},
    };
    for (const auto& step : steps) {
        GameDrive held, other;
        held.addGame("Old", id, {100, 200});
        other.addGame("Old", id, {100, 200}, 'o');  // the other drive: its own game of that name
        Letter letter(held.root());
        bool moved = false;
        platform::setAllowedHook([&](platform::FileOp op, const std::string& path) {
            if (!moved && op == step.op && path.rfind("V:", 0) == 0) {
                moved = true;
                letter.point(other.root());
            }
        });
        ScriptedFrontEnd ui;
        ui.boxes.answers = {true, true};
        if (step.rename)
            renameGame("V:\\", "Old", "New", ui.frontEnd());
        else
            deleteGame("V:\\", "Old", ui.frontEnd());
        platform::setAllowedHook({});
        ASSERT_TRUE(moved) << step.what;
        EXPECT_EQ(other.names(), std::vector<std::string>{"Old"}) << step.what;
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(bytesOf(other.part("Old", id, i)),
                      std::vector<std::uint8_t>(i == 0 ? 100 : 200, 'o'))
                << step.what;
        EXPECT_FALSE(std::filesystem::exists(other.part("New", id, 0))) << step.what;
        std::string said;
        for (const std::string& text : ui.boxes.shown)
            said += text + "\n";
        EXPECT_NE(said.find("The drive V: is no longer the drive the command began on: nothing "
                            "more is written"),
                  std::string::npos)
            << step.what << ": " << said;
    }
}
