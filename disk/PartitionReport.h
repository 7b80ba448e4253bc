#pragma once
// The INFO report: one block of lines per entry of a disk's partition layout.

#include <cstdint>
#include <ostream>

#include "disk/PartitionTable.h"

namespace disk {

// Prints every entry in table order, numbered from 1; "No partitions." for none.
void PrintPartitionReport(std::ostream& out, const PartitionInformation* entries,
                          std::int32_t count);
void PrintPartition(std::ostream& out, const PartitionInformation& entry);
// The name of a partition type code; "Unrecognised" for codes outside the table.
const char* PartitionTypeName(std::uint8_t code);

// Gibibytes after rounding `bytes` down to whole KiB, as the reports show sizes.
double gibibytesOf(std::uint64_t bytes);

}  // namespace disk
