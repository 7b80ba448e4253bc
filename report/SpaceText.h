#pragma once
// Space in the words every text of the program uses: whole mebibytes
// labelled "MB", as the status line shows a drive's free space, so that a
// box about room on a drive names the same figure as the status line.

#include <cstdint>
#include <string>

namespace report {

// Free space: cut down to whole MB ("81MB" for 81.2 MB), never more than is there.
std::string freeMegabytes(std::uint64_t bytes);

// Space needed: rounded up to whole MB ("82MB" for 81.2 MB), never less than is needed.
std::string neededMegabytes(std::uint64_t bytes);

}  // namespace report
