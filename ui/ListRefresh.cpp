#include "ui/ListRefresh.h"

ListAfterRefresh listAfterRefresh(const std::string& listedRoot, const std::string& root,
                                  bool busy) {
    if (!busy)
        return {};
    return {listedRoot != root, true};
}
