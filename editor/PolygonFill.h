// Even-odd scanline filling of a closed polygon with integer vertices.
#pragma once

#include "platform/wintypes.h"

#include <functional>
#include <vector>

namespace editor {

// Calls Span(y, x1, x2) for the pixels of rows 0..height-1 and columns 0..width-1 whose
// centres lie inside the polygon by the even-odd (alternate) rule; x1 <= x2.
void FillPolygonEvenOdd(const std::vector<POINT>& Points, int Width, int Height,
                        const std::function<void(int Y, int X1, int X2)>& Span);

}  // namespace editor
