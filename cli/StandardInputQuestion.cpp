#include "cli/StandardInputQuestion.h"

StandardInputQuestion::StandardInputQuestion(const StandardStream& errors)
    : errors_(errors), input_(::GetStdHandle(STD_INPUT_HANDLE)), console_(false) {
  DWORD mode = 0;
  console_ = input_ != nullptr && input_ != INVALID_HANDLE_VALUE && ::GetConsoleMode(input_, &mode) != FALSE;
}

bool StandardInputQuestion::Ask(const WideText& question) {
  if (!console_ || !errors_.write(question)) return false;
  // One line: the console hands it over whole once Enter is pressed.
  WideText line;
  WCHAR buffer[64];
  for (;;) {
    DWORD read = 0;
    if (::ReadConsoleW(input_, buffer, static_cast<DWORD>(sizeof buffer / sizeof buffer[0]), &read, nullptr) ==
            FALSE ||
        read == 0) {
      break;
    }
    line.append(buffer, read);
    if (line.find(L'\n') != WideText::npos) break;
  }
  const std::size_t first = line.find_first_not_of(L" \t");
  return first != WideText::npos && (line[first] == L'y' || line[first] == L'Y');
}
