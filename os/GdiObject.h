#pragma once
// Owns one GDI object (a font, a brush) and deletes it with DeleteObject.

#include <windows.h>

#include "os/UniqueResource.h"

struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
using GdiObject = UniqueResource<HGDIOBJ, DeleteGdiObject>;
