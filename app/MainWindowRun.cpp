#include "app/Application.h"

// Placeholder until the main window exists: there is nothing to run.
int Application::run() { return 0; }

HWND Application::mainWindow() const { return nullptr; }
