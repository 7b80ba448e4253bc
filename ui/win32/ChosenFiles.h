#pragma once
// What the system's open dialog returns when several files may be chosen
// (OFN_ALLOWMULTISELECT | OFN_EXPLORER): one file as its full path; several
// as the folder, then each name, every one ending in NUL and the whole in a
// second NUL. No window calls: the dialog's buffer is read as text.

#include <cstddef>
#include <string>
#include <vector>

namespace ui::win32 {

// The chosen files' paths from the dialog's buffer `chosen` (`size`
// characters); `nameOffset` is the dialog's nFileOffset, the first name's
// place. A name that is itself a full path stays as it is.
std::vector<std::wstring> chosenFiles(const wchar_t* chosen, std::size_t size,
                                      std::size_t nameOffset);

}  // namespace ui::win32
