#include "install/BootValue.h"

namespace install {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::size_t skipBlanks(std::string_view text, std::size_t i) {
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

}  // namespace

std::optional<std::string_view> findBootValue(std::string_view text) {
    std::size_t i = 0;
    std::size_t valueStart = std::string_view::npos;
    while (i < text.size()) {
        std::string_view line = text.substr(i);
        std::size_t key = 0;
        // BOOT2 first, so that a BOOT2 line is never read as a BOOT line.
        if (line.starts_with("BOOT2")) {
            key = 5;
        } else if (line.starts_with("BOOT")) {
            key = 4;
        }
        if (key != 0) {
            std::size_t j = skipBlanks(text, i + key);
            if (j >= text.size())
                return std::nullopt;
            if (text[j] == '=') {
                valueStart = j + 1;
                break;
            }
        }
        std::size_t lineEnd = text.find('\n', i);
        if (lineEnd == std::string_view::npos)
            break;
        i = lineEnd + 1;
    }
    if (valueStart == std::string_view::npos)
        return std::nullopt;

    std::size_t start = skipBlanks(text, valueStart);
    if (start >= text.size())
        return std::nullopt;
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos)
        end = text.size();
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

std::string gameIdFromBootValue(std::string_view value) {
    std::size_t colon = value.find(':');
    if (colon != std::string_view::npos)
        value.remove_prefix(colon + 1);
    if (!value.empty() && value.front() == '\\')
        value.remove_prefix(1);
    std::size_t semicolon = value.find(';');
    if (semicolon != std::string_view::npos)
        value = value.substr(0, semicolon);
    return std::string(value);
}

}  // namespace install
