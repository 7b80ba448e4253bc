#pragma once
// A drive root is the folder that holds a drive's root, always ending in the
// separator, so that every path on the drive is root + file name.

#include <string>
#include <string_view>

namespace store {

// Adds the trailing separator where it is missing ("/media/usb" -> "/media/usb/").
std::string normalizeRoot(std::string_view root);

constexpr const char* kTableName = "zt.cfg";
// The temporary table lives beside the table it replaces.
constexpr const char* kTempTableName = "tepcdfile.tep";

// root + "zt.cfg"
std::string tablePath(const std::string& root);
// root + "tepcdfile.tep"
std::string tempTablePath(const std::string& root);

}  // namespace store
