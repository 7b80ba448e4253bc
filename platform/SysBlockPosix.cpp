#include "platform/SysBlockPosix.h"

#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>

namespace platform {

namespace {

bool readDevNumber(const std::string& file, dev_t& dev) {
    std::ifstream in(file);
    unsigned int maj = 0, min = 0;
    char colon = 0;
    if (!(in >> maj >> colon >> min) || colon != ':')
        return false;
    dev = makedev(maj, min);
    return true;
}

}  // namespace

std::string sysBlockDir(dev_t dev) {
    return "/sys/dev/block/" + std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
}

dev_t wholeDiskOf(dev_t dev) {
    std::string dir = sysBlockDir(dev);
    dev_t disk = dev;
    if (!std::filesystem::exists(dir + "/partition") || !readDevNumber(dir + "/../dev", disk))
        return dev;
    return disk;
}

std::vector<dev_t> partitionsOf(dev_t disk) {
    std::vector<dev_t> partitions;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sysBlockDir(disk), error)) {
        dev_t dev = 0;
        std::string dir = entry.path().string();
        if (std::filesystem::exists(dir + "/partition", error) && readDevNumber(dir + "/dev", dev))
            partitions.push_back(dev);
    }
    return partitions;
}

std::string blockDeviceName(dev_t dev) {
    std::ifstream uevent(sysBlockDir(dev) + "/uevent");
    std::string line;
    while (std::getline(uevent, line)) {
        if (line.rfind("DEVNAME=", 0) == 0)
            return "/dev/" + line.substr(8);
    }
    return "";
}

}  // namespace platform
