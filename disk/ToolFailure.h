#pragma once
// How the format tool, run with the administrator's rights for the window,
// tells the window why it failed: after its usual output, each line of the
// failure's reason on its error output behind a mark. The window shows the
// reason the tool found, not whatever else it printed.

#include <sstream>
#include <string>

namespace disk {

inline constexpr const char* kToolFailureMark = "zt_format failure: ";

// The reason's lines, each behind the mark.
inline std::string markedFailure(const std::string& reason) {
    std::string marked;
    std::istringstream lines(reason);
    for (std::string line; std::getline(lines, line);)
        marked += kToolFailureMark + line + "\n";
    return marked;
}

// The reason the tool marked in what it printed; empty when it marked none.
inline std::string markedReason(const std::string& printed) {
    const std::string mark = kToolFailureMark;
    std::string reason;
    std::istringstream lines(printed);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(mark, 0) == 0)
            reason += line.substr(mark.size()) + "\n";
    }
    return reason;
}

}  // namespace disk
