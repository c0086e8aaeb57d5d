// The editor's pixel effects: drop shadow and button bevel of the selection, mosaic,
// erosion and dilation, adding and removing noise. With a mask (1-bit, the picture's
// size) only pixels whose mask value is 1 change. The selection box is the selection's
// bounding rectangle (left, top, right, bottom, inclusive).
#pragma once

#include "poster/PictureOps.h"

// The shadow of the selection moved by (OffsetX, OffsetY) on the pixels outside it:
// palette pictures take the index Colour; 24-bit ones mix the RGB value Colour into the
// pixel, faded toward the shadow's edge by Softness and kept through by Transparency
// (both percent). Needs a mask.
void DrawShadow(TDib Dib, const TDib& Mask, const RECT& Box, int OffsetX, int OffsetY, int Colour, int Softness,
                int Transparency, const TProgressSink& Progress = {});

// A bevel of Width pixels along the inside of the selection box, shaded from the RGB value
// Colour; Flat drops the fade toward the inside, Transparency (percent) keeps the pixel
// through. 24 bits and a mask only; Width 0 changes nothing.
void Buttonize(TDib Dib, const TDib& Mask, const RECT& Box, int Width, int Transparency, int Colour, bool Flat,
               const TProgressSink& Progress = {});

// Blocks of BlockWidth x BlockHeight (from the top-left, at least 1) take the colour of
// their top-left pixel.
void MosaikEffekt(TDib Dib, int BlockWidth, int BlockHeight, const TDib* Mask = nullptr,
                  const TProgressSink& Progress = {});

enum class TEffectOutcome { Applied, NotTrueColour, NoMemory, NoPicture };

// Over the 5 x 5 neighbourhood (edges repeated): erosion halves the mean of pixels whose
// neighbourhood is not bright; dilation turns pixels whose neighbourhood is bright into a
// light grey. 24 bits only.
TEffectOutcome DibErodeFilter(TDib Dib, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
TEffectOutcome DibDilateFilter(TDib Dib, const TDib* Mask = nullptr, const TProgressSink& Progress = {});

// With probability Density percent a pixel's components each move by a random amount of
// 0..Strength - 1 less Strength div 2, clamped; numbers from the program's generator (the
// caller seeds it). 24 bits only; Strength or Density 0 changes nothing.
void AddNoise(TDib Dib, int Strength, int Density, const TDib* Mask = nullptr, const TProgressSink& Progress = {});

// A pixel any of whose components differs from its 5 x 5 mean by more than Threshold
// takes the three means. 24 bits only.
TEffectOutcome DelNoise(TDib Dib, int Threshold, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
