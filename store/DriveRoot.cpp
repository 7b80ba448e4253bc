#include "store/DriveRoot.h"

namespace {
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif
}  // namespace

std::string normalizeRoot(std::string_view root) {
    std::string result(root);
    if (result.empty())
        return "./";
    if (result.back() != kSeparator && result.back() != '/')
        result += kSeparator;
    return result;
}

std::string tablePath(const std::string& root) {
    return root + kTableName;
}

std::string tempTablePath(const std::string& root) {
    return root + kTempTableName;
}
