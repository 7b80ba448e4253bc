#include "ui/ListRefresh.h"

namespace ui {

ListAfterRefresh listAfterRefresh(const std::string& listedRoot, const std::string& root,
                                  bool busy) {
    if (!busy)
        return {};
    return {listedRoot != root, true};
}

}  // namespace ui
