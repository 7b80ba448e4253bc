#include "report/SpaceText.h"

namespace report {

std::string freeMegabytes(std::uint64_t bytes) {
    return std::to_string(bytes >> 20) + "MB";
}

std::string neededMegabytes(std::uint64_t bytes) {
    return std::to_string((bytes >> 20) + ((bytes & ((1u << 20) - 1)) != 0 ? 1 : 0)) + "MB";
}

}  // namespace report
