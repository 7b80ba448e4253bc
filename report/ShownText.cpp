#include "report/ShownText.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/PathText.h"

namespace report {

using namespace platform;

namespace {

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

}  // namespace

bool hasControlByte(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return isControl(static_cast<unsigned char>(c)); });
}

std::string escapeControls(std::string_view text, std::string_view keep) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (isControl(byte) && keep.find(c) == std::string_view::npos) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

std::string specialFileKind(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_type type = fs::status(platform::fsPath(path), error).type();
    if (type == fs::file_type::not_found &&
        fs::is_symlink(fs::symlink_status(platform::fsPath(path), error)))
        return "a link to nothing";
    switch (type) {
        case fs::file_type::directory:
            return "a folder";
        case fs::file_type::fifo:
            return "a FIFO";
        case fs::file_type::socket:
            return "a socket";
        case fs::file_type::character:
            return "a character device";
        case fs::file_type::block:
            return "a block device";
        default:
            return "";
    }
}

}  // namespace report
