// Fuzzes the TGA decoder.
#include "fuzz/FuzzDecoder.h"

TESSELLON_FUZZ_DECODER(pixwerk::decodeTga, pixwerk::encodeTga, PW_TGA, PW_TGA)
