// Fuzzes the TIFF decoder.
#include "fuzz/FuzzDecoder.h"

TESSELLON_FUZZ_DECODER(pixwerk::decodeTiff)
