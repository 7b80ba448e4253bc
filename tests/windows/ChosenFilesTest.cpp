// The open dialog's answer when several files may be chosen: one full path,
// or a folder followed by names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/win32/ChosenFiles.h"

using namespace ui::win32;

namespace {

struct Answer {
    const char* what;
    std::wstring buffer;  // as the dialog fills it, NULs included
    std::size_t nameOffset;
    std::vector<std::wstring> paths;
};

std::wstring withNuls(const std::wstring& text) {
    std::wstring buffer = text;
    for (wchar_t& c : buffer) {
        if (c == L'|')
            c = L'\0';
    }
    return buffer + std::wstring(8, L'\0');  // the rest of the buffer
}

}  // namespace

TEST(ChosenFilesTest, ReadsTheDialogsAnswer) {
    const std::vector<Answer> answers = {
        {"one file", withNuls(L"C:\\Images\\one.iso|"), 10, {L"C:\\Images\\one.iso"}},
        {"one file at a root", withNuls(L"D:\\one.iso|"), 3, {L"D:\\one.iso"}},
        {"several",
         withNuls(L"C:\\Images|a b.iso|c.img|"),
         10,
         {L"C:\\Images\\a b.iso", L"C:\\Images\\c.img"}},
        {"several at a root", withNuls(L"D:\\|a.iso|b.iso|"), 4, {L"D:\\a.iso", L"D:\\b.iso"}},
        {"a name given as a full path",
         withNuls(L"C:\\Images|a.iso|E:\\b.iso|"),
         10,
         {L"C:\\Images\\a.iso", L"E:\\b.iso"}},
        {"nothing", withNuls(L""), 0, {}},
    };
    for (const Answer& answer : answers) {
        EXPECT_EQ(chosenFiles(answer.buffer.data(), answer.buffer.size(), answer.nameOffset),
                  answer.paths)
            << answer.what;
    }
}

TEST(ChosenFilesTest, StopsAtTheBuffersEnd) {
    // Names that fill the buffer to its last character, no closing NUL.
    const std::wstring buffer(L"C:\\I\0a.iso\0b.iso", 16);
    EXPECT_EQ(chosenFiles(buffer.data(), buffer.size(), 5),
              (std::vector<std::wstring>{L"C:\\I\\a.iso", L"C:\\I\\b.iso"}));
}
