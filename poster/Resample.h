// Changing a picture's pixel size: nearest neighbour at every depth, bilinear
// interpolation for true-colour pictures that grow in both directions.
#pragma once

#include "poster/PictureOps.h"

// The picture resampled to NewWidth x NewHeight, with the depth and palette of the old.
// Scale factors are 1/1024 steps: source column (x x OldWidth x 1024 / NewWidth) / 1024 and
// likewise for rows. Smooth interpolates 24-bit pictures when neither side shrinks, with
// weights 1024 - f and f. Empty when a size is not positive or the picture would be larger
// than the raster library makes.
UniqueDib ResizeDib(TDib Dib, int NewWidth, int NewHeight, bool Smooth, const TProgressSink& Progress = {});
