#pragma once
// The window's dialogs as Windows' dialog manager takes them: an extended
// dialog template (DLGTEMPLATEEX) built in memory from the toolkit-free rows
// of ui/WindowTemplates.h, so that the system lays out the dialog units in
// the template's font.

#include <windows.h>

#include <vector>

#include "ui/WindowTemplates.h"

namespace ui::win32 {

// The template's words, DWORD-aligned as DialogBoxIndirectParamW and
// CreateDialogIndirectParamW read them. `style` is the frame's window style
// (DS_SETFONT is added); a control row hidden in the template is created
// without WS_VISIBLE.
std::vector<WORD> buildDialogTemplate(const DialogTemplate& dialog, DWORD style,
                                      DWORD extendedStyle = 0);

}  // namespace ui::win32
