// The editor's geometric transforms beyond the quarter turns: rotation by any angle,
// borders, a new canvas, perspective and skew, and bulging. A colour value is a palette
// index for palette pictures and packed RGB (red in the low byte) for 24-bit ones.
#pragma once

#include "poster/PictureOps.h"

// Rounds to the nearest integer, ties to even.
long long RoundEven(double Value);

// The picture turned by Angle degrees (Direction 1 turns the other way), nearest pixel;
// uncovered pixels take Background. No pixels when the angle is not finite or the new
// picture cannot be made.
UniqueDib DibRotxxx(TDib Source, int Direction, int Background, double Angle, const TProgressSink& Progress = {});

// The picture with borders of the given widths in Colour. No pixels for a negative width
// or a picture that cannot be made.
UniqueDib AddBorders(TDib Source, int Top, int Bottom, int Left, int Right, int Colour,
                     const TProgressSink& Progress = {});

// A canvas of NewWidth x NewHeight in Fill with the picture's top-left at (OffsetX,
// OffsetY); offsets may be negative. No pixels for a size below 1 or a picture that
// cannot be made.
UniqueDib NewCanvas(TDib Source, int NewWidth, int NewHeight, int Fill, int OffsetX, int OffsetY,
                    const TProgressSink& Progress = {});

// Perspective (or, without it, skew) of a 24-bit picture, horizontal or vertical, by
// Amount percent: the selected pixels of Dib are set to Colour2, then every pixel of Backup
// (the unchanged picture, Dib's shape) goes to its target when that is selected. Other
// depths and a Backup of another shape are left alone.
void Perspektive(TDib Dib, const TDib& Backup, int Amount, bool Perspective, bool Horizontal, int Colour2,
                 const TDib* Mask = nullptr, const TProgressSink& Progress = {});

// Bulging of a 24-bit picture: each selected pixel takes the Backup pixel whose distance
// from the middle is the half size x (distance / half size) ^ Exponent, truncated, along
// each axis asked for. An axis whose half size is 0 is left as it is.
void Woelben(TDib Dib, const TDib& Backup, bool Horizontal, bool Vertical, double Exponent,
             const TDib* Mask = nullptr, const TProgressSink& Progress = {});
