#include "ui/win32/NativeVolumes.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/WideWin32.h"

namespace ui::win32 {

using namespace platform;

using platform::win32::systemMessage;
using platform::win32::widen;

namespace {

// The format tool beside this program.
std::wstring formatToolPath() {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring text(path, length);
    const std::size_t slash = text.find_last_of(L"\\/");
    return text.substr(0, slash == std::wstring::npos ? 0 : slash + 1) + L"zt_format.exe";
}

class NativeVolumeService : public VolumeService {
  public:
    // The format locks and dismounts the volume itself, in this process or in
    // the elevated zt_format.exe: a window without the administrator's rights
    // could not lock it, and a lock let go here would not keep it dismounted.
    store::Outcome<UnmountStep> unmount(const std::string&, const std::string&) override {
        return {};
    }

    Remount mountAgain(const std::string&) override {
        // Windows mounts a dismounted volume again at its next access, at its letter.
        return std::string();
    }

    PrivilegedFormatResult runPrivilegedFormat(const std::string& device, std::ostream&) override {
        const std::wstring tool = formatToolPath();
        const std::wstring arguments = L"--yes -- " + widen(device) + L" FORMAT";
        SHELLEXECUTEINFOW run{};
        run.cbSize = sizeof run;
        run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
        run.lpVerb = L"runas";
        run.lpFile = tool.c_str();
        run.lpParameters = arguments.c_str();
        run.nShow = SW_HIDE;
        if (!ShellExecuteExW(&run) || run.hProcess == nullptr)
            return privilegedFormatResult(-1, device, systemMessage(GetLastError()));
        WaitForSingleObject(run.hProcess, INFINITE);
        DWORD status = 1;
        GetExitCodeProcess(run.hProcess, &status);
        CloseHandle(run.hProcess);
        // What the elevated tool printed went to its own console, gone with it.
        if (status == 0)
            return {};
        return privilegedFormatResult(
            static_cast<int>(status), device,
            "zt_format.exe ended with status " + std::to_string(status) + ".");
    }
};

}  // namespace

std::unique_ptr<VolumeService> makeNativeVolumeService() {
    return std::make_unique<NativeVolumeService>();
}

}  // namespace ui::win32
