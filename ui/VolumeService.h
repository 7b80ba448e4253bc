#pragma once
// How the window unmounts, mounts again and formats a volume; a fake replaces it in tests.

#include <memory>
#include <ostream>
#include <string>

class VolumeService {
  public:
    virtual ~VolumeService() = default;
    virtual bool unmount(const std::string& device, const std::string& mountPoint,
                         std::string& error) = 0;
    virtual bool mountAgain(const std::string& device) = 0;
    virtual int runPrivilegedFormat(const std::string& device, std::ostream& out,
                                    std::string& error) = 0;
};

std::unique_ptr<VolumeService> makeSystemVolumeService(const std::string& formatToolPath);
