#include "app/Application.h"

// Placeholder until the search controller lands.
void Application::restartSearch() {}
void Application::beginSearch() {}
void Application::onSearchDone() {}
void Application::matchResults() {}
