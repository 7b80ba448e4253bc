#include "ui/LoggedBoxes.h"

namespace ui {

using namespace report;

void LoggedBoxes::write(const std::string& label, const std::string& text) {
    const std::string indent(label.size(), ' ');
    std::size_t start = 0;
    bool first = true;
    // Texts may begin or end with a line break; empty lines at the ends are not kept.
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        if (!line.empty() || (end != text.size() && !first)) {
            log_.write(line.empty() ? "\n" : (first ? label : indent) + line + "\n");
            first = false;
        }
        start = end + 1;
    }
    if (first)
        log_.write(label + "\n");
}

void LoggedBoxes::show(const std::string& text) {
    write("Box: ", text);
    boxes_.show(text);
}

bool LoggedBoxes::ask(const std::string& text, bool defaultNo) {
    write("Question: ", text);
    const bool yes = boxes_.ask(text, defaultNo);
    log_.write(yes ? "Answer: Yes\n" : "Answer: No\n");
    return yes;
}

}  // namespace ui
