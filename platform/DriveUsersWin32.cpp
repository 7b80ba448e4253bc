// What uses a drive, on Windows: the volume lock that the disk routines take
// before they write refuses a volume in use, so nothing more is known here.
#ifdef _WIN32

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/DriveUsers.h"
#include "platform/PathText.h"
#include "platform/Volume.h"

namespace platform {

namespace {

// E, E:, E:\ or \\.\E: - a drive letter names a volume, as a device does.
bool namesDriveLetter(const std::string& path) {
    std::string rest = path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path;
    if (rest.empty() || !std::isalpha(static_cast<unsigned char>(rest[0])))
        return false;
    return rest.size() == 1 || rest == rest.substr(0, 1) + ":" || rest == rest.substr(0, 1) + ":\\";
}

}  // namespace

PathKind pathKind(const std::string& path, std::string* resolved) {
    if (namesDriveLetter(path)) {
        if (resolved != nullptr)
            *resolved = path;
        return PathKind::BlockDevice;
    }
    std::error_code error;
    std::filesystem::path real = std::filesystem::canonical(fsPath(path), error);
    if (error)
        return PathKind::Missing;
    if (resolved != nullptr)
        *resolved = pathText(real);
    std::filesystem::file_status status = std::filesystem::status(real, error);
    if (error)
        return PathKind::Missing;
    switch (status.type()) {
        case std::filesystem::file_type::regular:
            return PathKind::RegularFile;
        case std::filesystem::file_type::block:
            return PathKind::BlockDevice;
        case std::filesystem::file_type::character:
            return PathKind::CharacterDevice;
        case std::filesystem::file_type::directory:
            return PathKind::Directory;
        default:
            return PathKind::Other;
    }
}

bool onlyRootCanReplace(const std::string&) {
    return false;
}

std::vector<DriveUser> driveUsers(const std::string&) {
    return {};
}

bool sameDisk(const std::string& a, const std::string& b) {
    return sameFolder(a, b);  // by identity, for files as for folders
}

}  // namespace platform

#endif  // _WIN32
