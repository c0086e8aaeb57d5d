// The editor's picture operations on a document: its picture, its selection and its
// drawing colours. The commands call these; they save the undo step first, except where
// an operation says it saves its own. Each repaints the view when the picture changed.
#pragma once

#include "editor/ChildDocument.h"
#include "poster/Filters.h"
#include "poster/PictureOps.h"

inline constexpr const char* SizeChangeErrorText = "Error when modifying the size...";
inline constexpr const char* ReducedPictureErrorText = "Error: Could not create picture! (Low memory?)";

namespace editorops {

// Installs a picture of a new size: a floating selection is merged, an undo step saved,
// the picture put in place of the old one with a new empty mask ("Could not create
// bitmap." when the mask cannot be made: the picture then has none, and nothing uses it).
// Without pixels it says "Error when modifying the size..." and keeps the old picture
// and the undo steps (false).
bool SetNewSizedDib(TChildDocument& Doc, UniqueDib Picture);

// "Reduce to the selection": a picture of the selection's box with the picture's depth and
// colours, holding the selected pixels (the others as a new picture starts), installed
// with SetNewSizedDib. False without a selection or memory for the new picture (then
// "Error: Could not create picture! (Low memory?)").
bool ReduceToSelection(TChildDocument& Doc, const TProgressSink& Progress = {});

// "Mirror" (LeftRight) and "Flip": the picture, or with a selection only its floating
// picture and mask, lifted first when the selection is not floating yet and put back at
// its place. The caller saves the undo step. False when memory ran out (nothing changed).
bool FlipPicture(TChildDocument& Doc, bool LeftRight, const TProgressSink& Progress = {});

// ---- Geometry: new pictures, installed with an undo step; false (with the message
// above, the picture unchanged) when the new picture could not be made. A floating
// selection is merged first.
bool AddBorders(TChildDocument& Doc, int Top, int Bottom, int Left, int Right, const TProgressSink& Progress = {});
bool NewCanvas(TChildDocument& Doc, int NewWidth, int NewHeight, int OffsetX, int OffsetY,
               const TProgressSink& Progress = {});
// The whole picture turned by Angle degrees, uncovered corners in colour 2 (a selection is
// turned by the command, through its floating picture).
bool Rotate(TChildDocument& Doc, int Direction, double Angle, const TProgressSink& Progress = {});

// ---- Geometry in place, from the backup a live preview keeps (the picture's shape).
void Perspektive(TChildDocument& Doc, const TDib& Backup, int Amount, bool Perspective, bool Horizontal,
                 const TProgressSink& Progress = {});
void Woelben(TChildDocument& Doc, const TDib& Backup, bool Horizontal, bool Vertical, double Exponent,
             const TProgressSink& Progress = {});

// ---- Pixel effects.
// Both need a selection; Colour is a colour value of the picture (index or RGB).
void DrawShadow(TChildDocument& Doc, int OffsetX, int OffsetY, int Colour, int Softness, int Transparency,
                const TProgressSink& Progress = {});
void Buttonize(TChildDocument& Doc, int Width, int Transparency, int Colour, bool Flat,
               const TProgressSink& Progress = {});
void MosaikEffekt(TChildDocument& Doc, int BlockWidth, int BlockHeight, const TProgressSink& Progress = {});
// Seeds the program's generator from the clock, then adds the noise.
void AddNoise(TChildDocument& Doc, int Strength, int Density, const TProgressSink& Progress = {});
// These three save their own undo step first; without memory for the work copy they say
// so ("Error", error icon) and leave the picture.
void DibErodeFilter(TChildDocument& Doc, const TProgressSink& Progress = {});
void DibDilateFilter(TChildDocument& Doc, const TProgressSink& Progress = {});
void DelNoise(TChildDocument& Doc, int Threshold, const TProgressSink& Progress = {});

// ---- A user filter, applied as stored (weights in the order the convolution reads).
// Saves its own undo step first. A record with a divisor of 0 is refused: false, and
// neither the picture nor the undo steps change.
bool ApplyUserFilter(TChildDocument& Doc, const TFilterRec& Filter, const TProgressSink& Progress = {});

}  // namespace editorops
