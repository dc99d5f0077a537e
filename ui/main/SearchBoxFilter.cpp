#include "app/Application.h"

// Placeholder until the result list lands.
void Application::filterFromSearchBox() {}
void Application::onSearchBoxKeyUp(WPARAM) {}
