#include "ui/win32/ChosenFiles.h"

namespace ui::win32 {

namespace {

// The text at `at`, up to its NUL or the buffer's end.
std::wstring textAt(const wchar_t* chosen, std::size_t size, std::size_t at) {
    std::size_t end = at;
    while (end < size && chosen[end] != L'\0')
        ++end;
    return std::wstring(chosen + at, end - at);
}

bool isFullPath(const std::wstring& name) {
    return (name.size() >= 2 && name[1] == L':') || name.rfind(L"\\\\", 0) == 0;
}

}  // namespace

std::vector<std::wstring> chosenFiles(const wchar_t* chosen, std::size_t size,
                                      std::size_t nameOffset) {
    const std::wstring first = textAt(chosen, size, 0);
    if (first.empty())
        return {};
    // One file: the offset points into its path, behind its folder's separator.
    if (nameOffset == 0 || nameOffset > size || chosen[nameOffset - 1] != L'\0')
        return {first};
    // Several: the folder, then the names; a root folder ("C:\") already ends in one.
    const std::wstring folder =
        first.back() == L'\\' || first.back() == L'/' ? first : first + L'\\';
    std::vector<std::wstring> paths;
    for (std::size_t at = nameOffset; at < size && chosen[at] != L'\0';) {
        const std::wstring name = textAt(chosen, size, at);
        paths.push_back(isFullPath(name) ? name : folder + name);
        at += name.size() + 1;
    }
    return paths;
}

}  // namespace ui::win32
