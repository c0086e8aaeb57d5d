// Fuzzes the GIF decoder.
#include "fuzz/FuzzDecoder.h"

TESSELLON_FUZZ_DECODER(pixwerk::decodeGif)
