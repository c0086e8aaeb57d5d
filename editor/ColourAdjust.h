// The editor's colour adjustments. Each works on the palette of 4- and 8-bit pictures
// (for the whole picture, the mask does not matter there) and on the pixels of 24-bit
// ones, where a mask (1-bit, the picture's size) limits it to the pixels whose value is 1.
// 1-bit pictures are changed only by DibInvert. The caller saves the undo step first.
#pragma once

#include "poster/PictureOps.h"

// Hue, saturation and lightness (each 0..255) to red, green and blue (0..255).
void HSLToRGB(int Hue, int Saturation, int Lightness, int& Red, int& Green, int& Blue);

// 1 bit: every stored byte complemented (padding too, mask not honoured); else 255 - v.
void DibInvert(UniqueDib& Dib, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
// Each component spread around 128: 128 + (Amount + 100) x (v - 128) / 100, clamped.
void Saettigung(UniqueDib& Dib, int Amount, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
// Luminance at or above Highlights gives white, at or below Shadows black, else each
// component moves by Midtones - 128. The three are put in order first.
void HighMidShadow(UniqueDib& Dib, int Highlights, int Midtones, int Shadows, const TDib* Mask = nullptr,
                   const TProgressSink& Progress = {});
// Each channel scaled by (amount + 100) percent, clamped.
void RedGreenBlue(UniqueDib& Dib, int Red, int Green, int Blue, const TDib* Mask = nullptr,
                  const TProgressSink& Progress = {});
// Each colour becomes HSLToRGB(Hue, Saturation, its luminance).
void Colorize(UniqueDib& Dib, int Hue, int Saturation, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
// Each component v becomes round(2 v - 256 (v / 256) ^ Value), clamped.
void Gamma(UniqueDib& Dib, double Value, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
// Each component becomes the colour's luminance.
void DibGrayscale(UniqueDib& Dib, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
// Spreads the luminance range found (selected pixels, or the entries the pixels use) over
// 0..255.
void StretchHistogramm(UniqueDib& Dib, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
// Clears the lowest Shift bits of each component (Shift 0..8).
void DibPoster(UniqueDib& Dib, int Shift, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
// Inverts each colour whose component sum is 765 - 3 Level or more.
void DibSolar(UniqueDib& Dib, int Level, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
