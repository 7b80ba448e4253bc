#pragma once
// Installs one game: identifies the disc, checks that the game can be
// recorded and that the drive can hold it, asks before replacing a game of
// the same name, copies the disc into part files and records the game.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/DiscDevice.h"
#include "install/InstallRequest.h"
#include "install/LastSaid.h"
#include "install/PartsInProgress.h"
#include "report/FrontEnd.h"

namespace store {
class GameReplacement;
struct GameEntry;
}  // namespace store

namespace install {

class DiscSource;
struct DiscInfo;

class InstallCommand {
  public:
    static constexpr const char* kUsage =
        "zt_install SourceDrive TargetDrive Name CD/DVD\n"
        "EXAMPLE:  zt_install G H \"My Game\" DVD\n"
        "\tInstall from drive G to H (DVD)\n";

    // Bytes free for files at a drive root; none when it cannot be found out.
    using FreeSpace = std::function<std::optional<std::uint64_t>(const std::string& root)>;

    explicit InstallCommand(report::FrontEnd& ui, DiscOpener opener = openDiscDevice,
                            FreeSpace freeSpace = {});

    // `args`: program name (unused), source path, target root, game name,
    // "CD" or "DVD". Prints the usage or the media error when they are not
    // that, else installs. Returns 1 when the game was copied and recorded,
    // 0 otherwise.
    int run(const std::vector<std::string>& args);

    // Installs the game `request` names; says at which step it stopped, and why.
    InstallResult install(const InstallRequest& request);

    // The files of the install now running; a window closed during the copy removes them.
    PartsInProgress& parts() { return parts_; }

  private:
    // The steps of the install; the step it stopped at, none when installed.
    std::optional<InstallStep> attempt(const InstallRequest& request);
    // Checks that the drive has room for the game, counting what it
    // replaces, and makes that room. False when it said why not.
    bool prepareRoom(store::GameReplacement& replacement, const store::GameEntry& expected,
                     const std::string& prefix, const DiscInfo& disc);
    // Copies the disc into the new parts and records the game; the step it stopped at.
    std::optional<InstallStep> copyAndRecord(DiscSource& source, const DiscInfo& disc,
                                             store::GameReplacement& replacement,
                                             const std::string& prefix, std::uint8_t dvdFlag);
    // Puts the game in place of the older one and records it; says what failed.
    int finish(store::GameReplacement& replacement, const store::GameEntry& added);
    // Removes the copied parts and says why, and whether the former game is gone. Returns 0.
    int abandon(const store::GameReplacement& replacement, const std::string& why);

    LastSaid said_;  // the last box the person read: a failure's reason
    report::FrontEnd ui_;
    DiscOpener opener_;
    FreeSpace freeSpace_;
    PartsInProgress parts_;
};

}  // namespace install
