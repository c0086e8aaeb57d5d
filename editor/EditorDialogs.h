// The editor's parameter dialogs as its commands call them: each takes the document, shows
// its dialog modally (owned by Owner while it lives) and, on OK, changes the picture with
// the command's undo step and repaints. Each returns whether the picture was changed.
//
// The live-preview dialogs (brightness, gamma, gloss light, red/green/blue, colorize,
// perspective, curve) show their previews on the document's picture and leave it exactly
// as it was on Cancel. Typed values are held to their controls' ranges when read.
#pragma once

#include "editor/ChildDocument.h"
#include "poster/PictureOps.h"

namespace editordialogs {

// ---- Live preview.
bool BrightnessContrast(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool GammaCorrection(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool GlossLightShadow(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool RedGreenBlue(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool Colorize(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool Perspective(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool Curve(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});

// ---- Read once, then one undo step and the operation.
// "Limited deep...": DibPoster with 8 less the bits kept.
bool LimitColourDepth(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool Solarize(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool MosaicEffect(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool AddDisturbances(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
// Noise removal saves its own undo step.
bool RemoveNoise(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
// Both need a selection; the pushbutton also a 24-bit picture.
bool AddShadows(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool CreatePushbutton(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});

// ---- New sizes (a floating selection is merged first; "Error when modifying the size..."
// when no new picture could be made).
bool AddEdge(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool ModifyCanvasSize(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
bool ModifySize(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
// "Rotate...": the picture, or with a selection its floating picture, which is lifted first;
// quarter turns keep the selection's top-left, a free angle keeps its centre.
bool Rotate(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});

// ---- Colours.
// The colour reduction to Bits (1, 4 or 8) with its dialog, or for 0 the free reduction to a
// chosen number of colours.
bool ReduceColours(TChildDocument& Doc, int Bits, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
// "User-defined filters...": the user filter file of the program folder; the chosen filter
// is applied as stored, with its own undo step. A record with a divisor of 0 is refused.
bool UserDefinedFilters(TChildDocument& Doc, TComponent* Owner = nullptr, const TProgressSink& Progress = {});
// "Edit palette...": the palette of a picture of 256 colours or fewer, with an undo step on OK.
bool EditPalette(TChildDocument& Doc, TComponent* Owner = nullptr);

// "Toolbars...": the tool panel, the drawing tools panel and the colour palette shown or not.
bool ConfigureToolbars(bool (&Visible)[3], TComponent* Owner = nullptr);

}  // namespace editordialogs
