// What the editor's picture operations share: the document's active selection mask and
// the clamping of typed values.
#pragma once

#include "editor/ChildDocument.h"

#include <algorithm>

namespace editor {

// The mask the operations honour: the document's when a selection exists, else none.
inline const TDib* ActiveMask(const TChildDocument& Doc) {
    return Doc.SelActive && Doc.SelMask ? &Doc.SelMask.get() : nullptr;
}

inline int clampByte(int v) { return std::clamp(v, 0, 255); }

// Luminance of a colour, in integers.
inline int luminance(int red, int green, int blue) { return (30 * red + 59 * green + 11 * blue) / 100; }

}  // namespace editor
