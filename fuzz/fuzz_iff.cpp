// Fuzzes the IFF decoder.
#include "fuzz/FuzzDecoder.h"

TESSELLON_FUZZ_DECODER(pixwerk::decodeIff, pixwerk::encodeIff, PW_IFF, PW_LBM)
