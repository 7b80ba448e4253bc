#pragma once
// What the window core needs from the system: the drives, the volume
// services for a format, how jobs reach discs and drives, and the web-site
// address. No toolkit. The program passes the real ones; tests put doubles
// in their place.

#include <cstdint>
#include <functional>
#include <string>

#include "disk/FormatCommand.h"
#include "install/DiscDevice.h"
#include "install/InstallCommand.h"
#include "install/InstallRequest.h"
#include "library/GameCopy.h"
#include "report/FrontEnd.h"
#include "ui/DriveList.h"
#include "ui/FormatSteps.h"

namespace ui {

class VolumeService;

struct CoreServices {
    DriveList* drives = nullptr;
    VolumeService* volumes = nullptr;
    // Whether this process may write a device (the format's first check).
    CanWriteDevice canWriteDevice;
    // What uses a drive to format and whether it has a partition; empty: no check.
    DriveCheck driveCheck = checkDriveForFormat;
    // How the install and the copy reach discs and drives.
    install::DiscOpener discOpener = install::openDiscDevice;
    install::InstallCommand::FreeSpace freeSpace;
    library::CopyServices copyServices = library::systemCopyServices();
    // The size of a file in bytes; 0 when unknown (a picked image's media
    // type). Empty: the file system's word.
    std::function<std::uint64_t(const std::string& path)> fileSize;
    // The web-site address of the About page.
    std::string websiteUrl;
    // The install itself, on the job's thread. Empty: runInstallJob with
    // the services above.
    std::function<install::InstallResult(const install::InstallRequest& request,
                                         const FixedDrive& target, report::FrontEnd& frontEnd)>
        install;
};

}  // namespace ui
