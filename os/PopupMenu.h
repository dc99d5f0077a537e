#pragma once
// Owns one popup menu (from CreatePopupMenu) for as long as it is shown,
// and destroys it.

#include <windows.h>

#include "os/UniqueResource.h"

struct DestroyPopupMenu {
  void operator()(HMENU menu) const { ::DestroyMenu(menu); }
};
using PopupMenu = UniqueResource<HMENU, DestroyPopupMenu>;
