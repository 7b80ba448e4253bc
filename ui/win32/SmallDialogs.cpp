#include "ui/win32/SmallDialogs.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>

#include <vector>

#include "platform/WideWin32.h"
#include "store/DriveRoot.h"
#include "ui/ControlIds.h"
#include "ui/DriveOrder.h"
#include "ui/WindowTemplates.h"
#include "ui/WindowTexts.h"
#include "ui/win32/ChosenFiles.h"
#include "ui/win32/DialogBuilder.h"

namespace ui::win32 {

using namespace platform;
using namespace store;

using platform::win32::narrow;
using platform::win32::widen;
using namespace control;

namespace {

constexpr DWORD kSmallDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

struct DriveDialog {
    const std::vector<DriveRow>& rows;
    std::string chosen;  // the chosen row's key
};

void takeChosenDrive(HWND dialog, DriveDialog& state) {
    const auto row = SendDlgItemMessageW(dialog, kDriveListBox, LB_GETCURSEL, 0, 0);
    if (row < 0 || row >= static_cast<LRESULT>(state.rows.size()))
        return;  // nothing chosen: the dialog stays open
    state.chosen = state.rows[static_cast<std::size_t>(row)].key;
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK driveProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto& state = *reinterpret_cast<DriveDialog*>(lParam);
        // In the core's order (USB drives first, the system's last), not the names'.
        int at = 0;
        for (const DriveRow& row : state.rows)
            SendDlgItemMessageW(dialog, kDriveListBox, LB_INSERTSTRING, at++,
                                reinterpret_cast<LPARAM>(widen(row.text).c_str()));
        return TRUE;
    }
    auto* state = reinterpret_cast<DriveDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message != WM_COMMAND || state == nullptr)
        return FALSE;
    const int id = LOWORD(wParam);
    if (id == kOkButton || id == IDOK || (id == kDriveListBox && HIWORD(wParam) == LBN_DBLCLK)) {
        takeChosenDrive(dialog, *state);
        return TRUE;
    }
    if (id == kCancelButton || id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK renameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    const int id = LOWORD(wParam);
    if (id == kOkButton || id == IDOK) {
        HWND edit = GetDlgItem(dialog, kNewNameEdit);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        *reinterpret_cast<std::string*>(GetWindowLongPtrW(dialog, DWLP_USER)) = narrow(text);
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (id == kCancelButton || id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR runModal(HWND owner, const DialogTemplate& dialog, DLGPROC procedure, LPARAM state) {
    const std::vector<WORD> words = buildDialogTemplate(dialog, kSmallDialogStyle);
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                   reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner,
                                   procedure, state);
}

}  // namespace

std::string chooseDrive(HWND owner, const std::vector<DriveRow>& rows) {
    DriveDialog state{rows, {}};
    if (runModal(owner, driveTemplate(), driveProc, reinterpret_cast<LPARAM>(&state)) != IDOK)
        return {};
    return state.chosen;
}

bool askNewName(HWND owner, std::string& newName) {
    return runModal(owner, renameTemplate(), renameProc, reinterpret_cast<LPARAM>(&newName)) ==
           IDOK;
}

namespace {

// The filters as the system's dialog takes them: each one's name with its
// patterns, then the patterns ("*.iso;*.img"; "*.*" for every file), each
// ending in NUL.
std::wstring filterText(const std::vector<FileFilter>& filters) {
    std::wstring text;
    for (const FileFilter& filter : filters) {
        std::wstring patterns;
        for (const std::string& extension : filter.extensions)
            patterns += (patterns.empty() ? L"*." : L";*.") + widen(extension);
        if (patterns.empty())
            patterns = L"*.*";
        text += widen(filter.name) + L" (" + patterns + L")" + L'\0' + patterns + L'\0';
    }
    return text;
}

constexpr DWORD kOpenFlags =
    OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
constexpr DWORD kSaveFlags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR;
// Room for one long path; for thousands of long names chosen at once (the
// folder once, then each name with its NUL).
constexpr std::size_t kOneName = 32768;
constexpr std::size_t kManyNames = 1 << 18;

}  // namespace

FileChoice chooseFiles(HWND owner, const FileDialogLook& look) {
    using Kind = FileDialogLook::Kind;
    std::vector<wchar_t> file(look.kind == Kind::OpenMany ? kManyNames : kOneName, L'\0');
    const std::wstring name = widen(look.name);
    std::copy_n(name.begin(), std::min(name.size(), file.size() - 1), file.begin());
    const std::wstring title = widen(look.title);
    const std::wstring filters = filterText(look.filters);
    const std::wstring folder = widen(look.folder);
    const std::wstring suffix = widen(look.suffix);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
    dialog.Flags = look.kind == Kind::Save       ? kSaveFlags
                   : look.kind == Kind::OpenMany ? kOpenFlags | OFN_ALLOWMULTISELECT
                                                 : kOpenFlags;
    FileChoice chosen;
    const BOOL answered =
        look.kind == Kind::Save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!answered) {
        chosen.tooMany = CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
        return chosen;
    }
    if (look.kind != Kind::OpenMany) {
        chosen.paths.push_back(narrow(file.data()));
        return chosen;
    }
    for (const std::wstring& path : chosenFiles(file.data(), file.size(), dialog.nFileOffset))
        chosen.paths.push_back(narrow(path));
    return chosen;
}

}  // namespace ui::win32
