// The graphics device interface: objects, palettes, device contexts and drawing.
#pragma once

#include "platform/gditypes.h"

// Objects
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);

// Palettes
HPALETTE CreatePalette(const LOGPALETTE* palette);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour);
