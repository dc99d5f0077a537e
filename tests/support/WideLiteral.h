#pragma once
// WTEXT, the UTF-16 literal of the platform's WCHAR type, for tests.
#include "text/WideText.h"
