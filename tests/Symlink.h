#pragma once
// Symbolic links in the tests that need one.

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

// Makes a symbolic link to a file or a folder; false where the system's
// standard library makes none (the Windows build's), and the test is skipped.
inline bool makeSymlink(const std::filesystem::path& target, const std::filesystem::path& link) {
    std::error_code error;
    if (std::filesystem::is_directory(target))
        std::filesystem::create_directory_symlink(target, link, error);
    else
        std::filesystem::create_symlink(target, link, error);
    return !error;
}
#define ZT_MAKE_SYMLINK(target, link) \
    if (!makeSymlink(target, link))   \
    GTEST_SKIP() << "this system's standard library makes no symbolic links"
