// What the tests read of a picture record (the accessors proper live above this library).
#pragma once

#include "pixwerk/pixwerk.h"

inline int DibWidth(const TDib& d) { return d.Info ? d.Info->bmiHeader.biWidth : 0; }
inline int DibHeight(const TDib& d) { return d.Info ? d.Info->bmiHeader.biHeight : 0; }
inline int DibBitCount(const TDib& d) { return d.Info ? d.Info->bmiHeader.biBitCount : 0; }
inline int DibColorCount(const TDib& d) { return DibBitCount(d) <= 8 ? 1 << DibBitCount(d) : 1 << 24; }
