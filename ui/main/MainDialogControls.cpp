#include "app/Application.h"

// Placeholder until the main dialog lands.
void Application::setUpControls() {}
void Application::layoutControls() {}
