#pragma once

namespace ui::qt {
// The window program as it runs on a desktop: the log, the system's drives,
// boxes and volume services, and the main window run modally until it closes.
// zt_installer's main calls it once its application object exists; the tests
// that drive the window through the X server start the program by it too.

int runInstallerProgram();

}  // namespace ui::qt
