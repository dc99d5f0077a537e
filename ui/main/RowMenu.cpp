#include "app/Application.h"

// Placeholder until the row actions land.
void Application::showRowMenu(int) {}
