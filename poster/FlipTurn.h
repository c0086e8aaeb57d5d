// Mirrors, flips and turns by quarter and half turns, at every depth. Each gives a new
// picture with the old depth and palette, or an empty one when memory runs out (the
// caller then keeps the old picture).
#pragma once

#include "poster/PictureOps.h"

// Left-right: result (x, y) takes source (W - 1 - x, y).
UniqueDib MirrorDibH(TDib Dib, const TProgressSink& Progress = {});
// Top-bottom: result (x, y) takes source (x, H - 1 - y).
UniqueDib MirrorDibV(TDib Dib, const TProgressSink& Progress = {});
// Counter-clockwise, H x W: result (y, W - 1 - x) takes source (x, y).
UniqueDib RotLeftDib(TDib Dib, const TProgressSink& Progress = {});
// Clockwise, H x W: result (H - 1 - y, x) takes source (x, y).
UniqueDib RotRightDib(TDib Dib, const TProgressSink& Progress = {});
// Half turn: result (W - 1 - x, H - 1 - y) takes source (x, y).
UniqueDib Rot180Dib(TDib Dib, const TProgressSink& Progress = {});

// Mirrors a floating selection's picture and, with UseMask, its mask. Both are replaced
// only when every needed result was made, so picture and mask always match; returns
// whether they were.
bool MirrorFloating(UniqueDib& Picture, UniqueDib& Mask, bool UseMask, bool LeftRight,
                    const TProgressSink& Progress = {});
