// Fuzzes the PCX decoder.
#include "fuzz/FuzzDecoder.h"

TESSELLON_FUZZ_DECODER(pixwerk::decodePcx, pixwerk::encodePcx, PW_PCX, PW_PCX)
