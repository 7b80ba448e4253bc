#pragma once
// Paths are UTF-8 text inside the program. The standard library's paths take
// a narrow string in the system's own encoding, which on Windows is not UTF-8
// for the C library the tools link; these two convert at that boundary.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

inline std::filesystem::path fsPath(std::string_view utf8) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

inline std::string pathText(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

}  // namespace platform
