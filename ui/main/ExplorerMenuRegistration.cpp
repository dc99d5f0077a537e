#include "app/Application.h"

// Placeholder until the Explorer registration lands.
int Application::registerExplorerMenu() { return 1; }
