#pragma once
// The object behind the status bar. It handles nothing itself: every message
// goes on to the status bar's own procedure.

#include "ui/framework/SubclassedControl.h"

class StatusBarControl : public SubclassedControl {};
