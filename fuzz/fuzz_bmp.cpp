// Fuzzes the BMP decoder.
#include "fuzz/FuzzDecoder.h"

TESSELLON_FUZZ_DECODER(pixwerk::decodeBmp, pixwerk::encodeBmp, PW_BMP, PW_RLE)
