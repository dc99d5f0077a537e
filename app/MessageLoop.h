#pragma once
// The main window's run: the window shown, the accelerators, the message loop.

class MainWindow;

// Opens `window` and runs the thread's message loop until WM_QUIT; 1 when
// the window cannot be created (said in a box), else 0.
int RunMainWindow(MainWindow& window);
