// The editor's palette commands, its colour counter and its depth changes. The caller
// chooses the file and saves the undo step first (not for savepal). Messages go through
// the document's window link.
#pragma once

#include "editor/ChildDocument.h"
#include "poster/ColourDepth.h"
#include "poster/PictureOps.h"

#include <optional>

inline constexpr const char* PaletteSaveErrorText = "Error when saving the palette!";
inline constexpr const char* PaletteLoadErrorText = "Error while loading the palette!";
inline constexpr const char* PaletteMismatchText = "Palette does not fit to the picture or it is an illegal palette!";
inline constexpr const char* IllegalPaletteText = "Illegal palette!";
inline constexpr const char* PaletteDitherQuestion = "Do you want to adapt the picture by Floyd Steinberg dithering?";
inline constexpr const char* PaletteDitherCaption = "open colour palette?";
inline constexpr const char* ChannelSizeErrorText = "Error: The selected pictures must have all the same size!";

namespace editorops {

// Writes the palette of a 16- or 256-colour picture (other pictures: nothing, false).
bool savepal(TChildDocument& Doc, const String& FileName);
// Puts the file's palette into a picture with as many colours; the pixels stay.
bool loadpal(TChildDocument& Doc, const String& FileName);
// Converts the picture to the file's palette (4 bits for 16 colours, 8 for 256), by
// dithering or nearest colours as the user answers. A floating selection is merged first.
bool loadpal0(TChildDocument& Doc, const String& FileName, const TProgressSink& Progress = {});

// The picture at a new depth (Part of the colour-depth commands), the floating selection
// merged first; false and the picture kept when no new picture came.
bool ChangeDepthDown(TChildDocument& Doc, int Bits, const TColourReduction& How, const TProgressSink& Progress = {});
bool ChangeDepthUp(TChildDocument& Doc, int Bits, const TProgressSink& Progress = {});

// Distinct colours among the selected pixels (every pixel without a mask); palette
// pictures count indices. Nothing when the colour set cannot be allocated.
std::optional<int> CountColours(TDib Dib, const TDib* Mask = nullptr, const TProgressSink& Progress = {});
// The same for the document; 0 with the out-of-memory message.
int CountColors(TChildDocument& Doc, const TProgressSink& Progress = {});

// Three 8-bit grey pictures of the red, green and blue of a 24-bit picture; false (with the
// out-of-memory message) when any cannot be made.
bool SplittTORGB(TChildDocument& Doc, UniqueDib& Red, UniqueDib& Green, UniqueDib& Blue);
// A 24-bit picture whose channels are the grey values of three pictures of one size.
UniqueDib CombineFromRGB(TChildDocument& Doc, const TDib& Red, const TDib& Green, const TDib& Blue);

}  // namespace editorops
