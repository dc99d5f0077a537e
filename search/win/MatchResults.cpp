#include "app/Application.h"
#include "search/ResultMatching.h"
#include "ui/main/ResultList.h"

void Application::matchResults() {
  if (worker.scanner != nullptr) AppendMatchingRecords(worker.scanner->records(), targetPath, results);
  // Every result is shown after a search, whatever the search box holds.
  ResultList(*this).fill(AnsiString());
}
