// Fuzzes the PNG decoder.
#include "fuzz/FuzzDecoder.h"

TESSELLON_FUZZ_DECODER(pixwerk::decodePng)
