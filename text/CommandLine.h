#pragma once
// Splits a UTF-16 command line into its arguments. Only the space and the
// double quote are special: tabs, backslashes and everything else are
// ordinary characters; quotes group and are removed.

#include <string>
#include <vector>

#include "text/WideText.h"

std::vector<WideText> SplitCommandLine(const WideText& commandLine);
