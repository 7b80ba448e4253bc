// Reading a game table file from a drive and naming the part files of each
// of its records.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "store/PartNaming.h"
#include "store/TableFile.h"

using namespace store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/zt-fuzz-table-" + std::to_string(getpid()) + ".cfg";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    TableContents table = readTableFile(path);
    if (table.records.size() != size / 64)
        __builtin_trap();
    for (const GameEntry& entry : table.records) {
        PartFiles files = partFilesOf("/drive/", entry);
        if (files.valid != isValidGameId(entry.gameId()) && files.paths.empty() == false) {
            __builtin_trap();
        }
        for (const std::string& file : files.paths) {
            // A name from a record never leaves the drive's root folder.
            if (file.rfind("/drive/zt.", 0) != 0 || file.find('/', 7) != std::string::npos) {
                __builtin_trap();
            }
        }
        (void)entry.DisplayName();
    }
    unlink(path.c_str());
    return 0;
}
