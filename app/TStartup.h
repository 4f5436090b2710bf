#pragma once

class QApplication;

/// The program from start-up to shutdown: TMainDM, the main window, the report module, the
/// login, then the message loop until the main window closes. Returns the exit code.
int RunProgram(QApplication& app);
