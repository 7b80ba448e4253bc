#pragma once

namespace ui::win32 {
// The native window's resources (zt_installer.rc), by the numbers the
// window application has always used.

inline constexpr int kAboutString = 101;  // "About zt(&A)..."
inline constexpr int kAppIcon = 128;
inline constexpr int kContextMenu = 134;  // Delete, Rename, Copy...
inline constexpr int kAboutBitmap = 135;
inline constexpr int kHandCursor = 136;

}  // namespace ui::win32
