#pragma once
// A real ISO 9660 game image made by xorriso: a SYSTEM.CNF whose boot line
// names the game ID, and one file of random bytes.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "ToolRun.h"

// Builds `work`/game.iso from the folder `work`/disc; empty when xorriso fails.
inline std::string makeGameIso(const TempDir& work, std::size_t dataBytes, std::uint32_t seed,
                               const std::string& dataFile = "DATA/GAME.BIN",
                               const std::string& gameId = "SLUS_209.46") {
    const std::filesystem::path data = work.path() / "disc" / dataFile;
    std::filesystem::create_directories(data.parent_path());
    std::ofstream(work.file("disc/SYSTEM.CNF"), std::ios::binary)
        << "BOOT2 = cdrom0:\\" << gameId << ";1\r\nVER = 1.00\r\n";
    writeBytes(data.string(), randomBytes(dataBytes, seed));
    const std::string iso = work.file("game.iso");
    if (runShell("xorriso -as mkisofs -quiet -V GAME -o " + shellQuoted(iso) + " " +
                 shellQuoted(work.file("disc")))
            .status != 0)
        return {};
    return iso;
}
