// Stands in for zt_format.exe beside zt_installer.exe in the window's Wine
// scenarios, where Wine cannot lock, dismount or lay out a drive: writes its
// command line to zt_format.args beside itself and ends with the status
// written in zt_format.status there (0 when there is none).
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::filesystem::path besideThisProgram(const std::wstring& name) {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring text(path, length);
    return text.substr(0, text.find_last_of(L"\\/") + 1) + name;
}

}  // namespace

int main() {
    // The arguments after the program's own name, as one line.
    const std::wstring line = GetCommandLineW();
    std::size_t at = line[0] == L'"' ? line.find(L'"', 1) + 1 : line.find(L' ');
    at = line.find_first_not_of(L' ', at == std::wstring::npos ? line.size() : at);
    const std::wstring arguments = at == std::wstring::npos ? L"" : line.substr(at);
    std::ofstream(besideThisProgram(L"zt_format.args"))
        << std::filesystem::path(arguments).string();
    int status = 0;
    std::ifstream(besideThisProgram(L"zt_format.status")) >> status;
    return status;
}
