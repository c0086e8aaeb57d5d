// Fuzzes the JPEG decoder.
#include "fuzz/FuzzDecoder.h"

TESSELLON_FUZZ_DECODER(pixwerk::decodeJpeg)
