#include "ui/win32/DialogBuilder.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "platform/WideWin32.h"
#include "ui/ControlIds.h"

namespace ui::win32 {

using namespace platform;

namespace {

// The window class and style of one control row, as the resource compiler
// would write them for the same control.
struct ControlClass {
    const wchar_t* name;
    DWORD style;
};

ControlClass classOf(const ControlRow& row) {
    switch (row.kind) {
        case ControlKind::DropDownList:
            return {WC_COMBOBOXW, CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP};
        case ControlKind::Edit:
            return {WC_EDITW, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP};
        case ControlKind::Button:
            return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP};
        case ControlKind::ListView:
            return {WC_LISTVIEWW,
                    LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP};
        case ControlKind::ListBox:
            return {WC_LISTBOXW, LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_BORDER |
                                     WS_VSCROLL | WS_TABSTOP};
        // Texts stand as given: an "&" in a game's name is no mnemonic.
        case ControlKind::Static:
            return {WC_STATICW, SS_LEFT | SS_NOPREFIX};
        case ControlKind::ClickStatic:
            return {WC_STATICW, SS_LEFT | SS_NOTIFY | SS_NOPREFIX};
        case ControlKind::Picture:
            return {WC_STATICW, SS_BITMAP | SS_CENTERIMAGE};
        case ControlKind::TabControl:
            return {WC_TABCONTROLW, WS_TABSTOP};
        case ControlKind::ProgressBar:
            return {PROGRESS_CLASSW, WS_BORDER};
    }
    return {WC_STATICW, 0};
}

class Words {
  public:
    void word(WORD value) { words_.push_back(value); }
    void dword(DWORD value) {
        word(LOWORD(value));
        word(HIWORD(value));
    }
    void text(const std::wstring& value) {
        for (wchar_t c : value)
            word(static_cast<WORD>(c));
        word(0);
    }
    void alignToDword() {
        if (words_.size() % 2 != 0)
            word(0);
    }
    std::vector<WORD> take() { return std::move(words_); }

  private:
    std::vector<WORD> words_;
};

void writeControl(Words& words, const ControlRow& row, const DialogTemplate& dialog) {
    const ControlClass type = classOf(row);
    words.alignToDword();
    words.dword(0);  // help id
    words.dword(0);  // extended style
    DWORD style = WS_CHILD | type.style | (row.visible ? WS_VISIBLE : 0);
    // The tab control lies under the page's controls: drawn first, clipped by them.
    if (row.kind == ControlKind::TabControl)
        style |= WS_CLIPSIBLINGS;
    // The template's default button takes Enter wherever the focus is not on another button.
    if (row.kind == ControlKind::Button && row.id != kNoControlId && row.id == dialog.defaultButton)
        style |= BS_DEFPUSHBUTTON;
    if (row.kind == ControlKind::Button && dialog.flatButtons)
        style |= BS_FLAT;
    words.dword(style);
    words.word(static_cast<WORD>(row.x));
    words.word(static_cast<WORD>(row.y));
    words.word(static_cast<WORD>(row.width));
    words.word(static_cast<WORD>(row.height));
    words.dword(row.id == kNoControlId ? static_cast<DWORD>(-1) : static_cast<DWORD>(row.id));
    words.text(type.name);
    words.text(platform::win32::widen(row.text));
    words.word(0);  // no creation data
}

}  // namespace

std::vector<WORD> buildDialogTemplate(const DialogTemplate& dialog, DWORD style,
                                      DWORD extendedStyle) {
    Words words;
    words.word(1);       // dlgVer
    words.word(0xFFFF);  // signature: extended template
    words.dword(0);      // help id
    words.dword(extendedStyle);
    words.dword(style | DS_SETFONT);
    words.word(static_cast<WORD>(dialog.controls.size()));
    words.word(0);  // x
    words.word(0);  // y
    words.word(static_cast<WORD>(dialog.width));
    words.word(static_cast<WORD>(dialog.height));
    words.word(0);  // no menu
    words.word(0);  // the dialog's own window class
    words.text(platform::win32::widen(dialog.caption));
    words.word(static_cast<WORD>(dialog.points));
    words.word(FW_NORMAL);
    words.word(0);  // italic, charset
    words.text(platform::win32::widen(dialog.face));
    for (const ControlRow& row : dialog.controls)
        writeControl(words, row, dialog);
    return words.take();
}

}  // namespace ui::win32
