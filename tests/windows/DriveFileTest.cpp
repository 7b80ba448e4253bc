// Files on a drive on Windows: a link is known by its attributes or by where
// its handle leads, and a drive letter pointed elsewhere during a command gets
// nothing of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FakeDisc.h"
#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "install/InstallCommand.h"
#include "library/GameDeletion.h"
#include "library/GameRename.h"
#include "platform/DriveFileWin32.h"
#include "platform/FaultPoint.h"

using namespace install;
using namespace library;
using namespace platform;
using namespace store;
using namespace report;

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
         {FILE_ATTRIBUTE_ARCHIVE, part, L"\\Device\\HarddiskVolume2\\ZT.93f62d17.SLUS_209.46.00",
          L""},
         false},
        {"a reparse point", {FILE_ATTRIBUTE_REPARSE_POINT, part, part, L""}, true},
        {"a reparse point whose path is unknown",
         {FILE_ATTRIBUTE_REPARSE_POINT, L"", part, L""},
         true},
        {"a handle that leads off the drive (a Unix link under Wine)",
         {FILE_ATTRIBUTE_ARCHIVE, L"\\Device\\HarddiskVolume3\\tmp\\outside\\secret", part, L""},
         true},
        {"a handle that leads to another file of the drive",
         {FILE_ATTRIBUTE_ARCHIVE, L"\\Device\\HarddiskVolume2\\zt.cfg", part, L""},
         true},
        {"a name given in its short form",
         {FILE_ATTRIBUTE_ARCHIVE, L"\\Device\\HarddiskVolume2\\Games\\long name.iso",
          L"\\Device\\HarddiskVolume2\\Games\\LONGNA~1.ISO",
          L"\\Device\\HarddiskVolume2\\Games\\long name.iso"},
         false},
        {"a system that cannot tell where a handle leads",
         {FILE_ATTRIBUTE_ARCHIVE, L"", part, L""},
         false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isLink(c.file), c.link) << c.what;
}

namespace {

// The drive letter V: of the tests' Wine prefix leads to `folder` "held" or
// "other" of the folder that repoint-letter.sh names; on request it points
// the letter elsewhere, at once, while the program waits.
class Letter {
  public:
    bool ready() const { return !base_.empty(); }
    std::string root(const char* folder) const { return base_ + folder + "\\"; }
    void point(const char* folder) {
        std::ofstream(base_ + "point.new") << folder;
        MoveFileExW(std::filesystem::path(base_ + "point.new").wstring().c_str(),
                    std::filesystem::path(base_ + "point").wstring().c_str(),
                    MOVEFILE_REPLACE_EXISTING);
        for (int wait = 0; wait < 3000 && std::filesystem::exists(base_ + "point"); ++wait)
            Sleep(10);
        EXPECT_FALSE(std::filesystem::exists(base_ + "point"))
            << "V: was not pointed at " << folder;
    }

  private:
    std::string base_ = [] {
        const char* unix = std::getenv("ZT_REPOINT_DIR");
        std::string base = unix == nullptr ? "" : std::string("Z:") + unix + "\\";
        for (char& c : base)
            c = c == '/' ? '\\' : c;
        return unix == nullptr ? std::string() : base;
    }();
};

const std::string kId = "ABCD_123.45";

// Game "Old" in two parts filled with `fill`, alone on the drive at `root`.
void makeDrive(const std::string& root, char fill) {
    for (const auto& item : std::filesystem::directory_iterator(std::filesystem::u8path(root)))
        std::filesystem::remove_all(item.path());
    writeTableFile(tablePath(root), std::vector<GameEntry>{gameRecord("Old", kId, 2)});
    for (int i = 0; i < 2; ++i)
        std::ofstream(*partFilePath(partPrefix(root, gameNameHash("Old"), kId), i),
                      std::ios::binary)
            << std::string(100 + i, fill);
}

std::string contents(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

// The letter is pointed at another drive in the moment between the check
// that the drive is still the one held and the change: the change still acts
// on the held drive (its root folder was opened when the command began), and
// the next step stops the command. The other drive gets nothing.
TEST(DriveFileTest, ADriveLetterPointedElsewhereDuringACommandGetsNothing) {
    Letter letter;
    if (!letter.ready())
        GTEST_SKIP() << "run through ctest: repoint-letter.sh points V: elsewhere on request";
    const struct {
        const char* what;
        platform::FileOp op;  // the step at which the letter moves: `op` on a
        const char* suffix;   // file whose name ends so
        char command;         // 'd'elete, 'r'ename or 'i'nstall
    } steps[] = {
        {"delete, at the removal of a part", platform::FileOp::Remove, ".00", 'd'},
        {"delete, at the table's new file", platform::FileOp::Open, ".tep", 'd'},
        {"rename, at the renaming of a part", platform::FileOp::Rename, ".00", 'r'},
        {"rename, at the table's new file", platform::FileOp::Open, ".tep", 'r'},
        {"install, at the new game's first part", platform::FileOp::Open, ".00", 'i'},
        {"install, at the table's new file", platform::FileOp::Open, ".tep", 'i'},
    };
    const std::string other = letter.root("other");
    for (const auto& step : steps) {
        letter.point("held");
        makeDrive(letter.root("held"), 'h');
        makeDrive(other, 'o');
        bool moved = false;
        platform::setAllowedHook([&](platform::FileOp op, const std::string& path) {
            if (!moved && op == step.op && path.rfind("V:", 0) == 0 &&
                path.ends_with(step.suffix)) {
                moved = true;
                letter.point("other");
            }
        });
        ScriptedFrontEnd ui;
        ui.boxes.answers = {true, true, true};
        FrontEnd frontEnd = ui.frontEnd();
        InstallCommand install(frontEnd, fakeOpener(makeGameDisc(700)), [](const std::string&) {
            return std::optional<std::uint64_t>(std::uint64_t{1} << 40);
        });
        if (step.command == 'r')
            renameGame("V:\\", "Old", "New", frontEnd);
        else if (step.command == 'd')
            deleteGame("V:\\", "Old", frontEnd);
        else
            install.run({"", "fake", "V:\\", "New", "DVD"});
        platform::setAllowedHook({});
        ASSERT_TRUE(moved) << step.what << ": " << testing::PrintToString(ui.boxes.shown);
        ASSERT_EQ(readTableFile(tablePath(other)).records.size(), 1u) << step.what;
        EXPECT_EQ(readTableFile(tablePath(other)).records[0].DisplayName(), "Old") << step.what;
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(contents(*partFilePath(partPrefix(other, gameNameHash("Old"), kId), i)),
                      std::string(100 + i, 'o'))
                << step.what;
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(std::filesystem::u8path(other)))
            names.push_back(item.path().filename().string());
        EXPECT_EQ(names.size(), 3u) << step.what << ": " << testing::PrintToString(names);
        std::string said;
        for (const std::string& text : ui.boxes.shown)
            said += text + "\n";
        EXPECT_NE(said.find("The drive V: is no longer the drive the command began on: nothing "
                            "more is written"),
                  std::string::npos)
            << step.what << ": " << said;
    }
    letter.point("held");
}
