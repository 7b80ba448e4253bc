#include "store/DriveRoot.h"

#include "platform/PathSeparator.h"

namespace store {

using namespace platform;

namespace {
constexpr char kSeparator = platform::kPathSeparator;
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

}  // namespace store
