#include "disk/PartitionReport.h"

#include <cinttypes>
#include <cstdio>

namespace disk {

using namespace store;

double gibibytesOf(std::uint64_t bytes) {
    // Whole KiB first, as the sizes have always been reckoned.
    // NOLINTNEXTLINE(bugprone-integer-division)
    return static_cast<double>(bytes / 1024) * 9.5367431640625e-07;
}

const char* PartitionTypeName(std::uint8_t code) {
    switch (code) {
        case 0x00:
            return "UNUSED";
        case 0x01:
            return "FAT12";
        case 0x02:
            return "XENIX_1";
        case 0x03:
            return "XENIX_2";
        case 0x04:
            return "FAT16";
        case 0x05:
            return "EXTENDED";
        case 0x06:
            return "FAT32 [HUGE]";
        case 0x07:
            return "IFS";
        case 0x0E:
            return "XINT13";
        case 0x0F:
            return "XINT13_EX";
        case 0x41:
            return "PREP";
        case 0x63:
            return "UNIX";
        case 0xC0:
            return "NTFT";
        default:
            return "Unrecognised";
    }
}

void PrintPartition(std::ostream& out, const PartitionInformation& entry) {
    if (entry.PartitionType == 0) {
        out << "  ** UNUSED **\n";
        return;
    }
    char line[160];
    std::snprintf(line, sizeof line, "  Start Offset : %" PRIu64 " (bytes)\n",
                  entry.StartingOffset);
    out << line;
    std::snprintf(line, sizeof line, "        Length : %" PRIu64 " (bytes) / %.2f (GB)\n",
                  entry.PartitionLength, gibibytesOf(entry.PartitionLength));
    out << line;
    std::snprintf(line, sizeof line, "Hidden sectors : %d\n",
                  static_cast<std::int32_t>(entry.HiddenSectors));
    out << line;
    std::snprintf(line, sizeof line, "          Code : %u (%s)\n",
                  static_cast<unsigned>(entry.PartitionType),
                  PartitionTypeName(entry.PartitionType));
    out << line;
}

void PrintPartitionReport(std::ostream& out, const PartitionInformation* entries,
                          std::int32_t count) {
    if (count <= 0 || entries == nullptr) {
        out << "No partitions.\n";
        return;
    }
    char line[32];
    for (std::int32_t i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "\nPartition #%d\n", i + 1);
        out << line;
        PrintPartition(out, entries[i]);
    }
}

}  // namespace disk
