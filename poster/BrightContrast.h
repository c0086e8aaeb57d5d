// Brightness and contrast of a whole picture: the palette of 1-, 4- and 8-bit pictures, the
// pixels of true-colour ones.
#pragma once

#include "poster/PictureOps.h"

// Each component v becomes v + Amount, clamped to 0..255 (Amount -127..127 in the dialogs).
void Helligkeit(UniqueDib& Dib, int Amount, const TDib* Selection = nullptr, const TProgressSink& Progress = {});

// Contrast, Amount 0..200 (100 changes nothing): up to 100 each component v becomes
// Amount x (v - 127) / 100 + 127; above it, with k = 200 - Amount, v x k / 100 below 128 and
// 255 - k x (255 - v) / 100 from 128 on. Amounts outside 0..200 count as the nearest end.
void Kontrast(UniqueDib& Dib, int Amount, const TDib* Selection = nullptr, const TProgressSink& Progress = {});
