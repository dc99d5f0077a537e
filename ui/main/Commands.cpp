#include "app/Application.h"

// Placeholder until the menu commands land.
int Application::onCommand(WORD) { return 0; }
