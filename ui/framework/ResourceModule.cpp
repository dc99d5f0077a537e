#include "ui/framework/ResourceModule.h"

HINSTANCE ResourceModule = nullptr;

void RecordResourceModule() { ResourceModule = ::GetModuleHandleA(nullptr); }
