// Fuzzes the thumbnail cache reader: any bytes give an index whose every entry loads a
// thumbnail of the size and depth the entry names, or none at all.
#include "fuzz/FuzzDecoder.h"
#include "poster/ThumbCache.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::limitMemory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TThumbCacheBytes source(data, size);
    for (const TThumbIndexRec& rec : ParseThumbIndex(source)) {
        if (!ThumbInfoValid(rec.Info) || rec.Position + rec.BlockSize > size) std::abort();
        const UniqueDib thumb = LoadThumb(source, rec);
        if (!thumb) std::abort();  // the index checked everything the load needs
        const BITMAPINFOHEADER& h = thumb.get().Info->bmiHeader;
        if (h.biWidth != rec.Info.ThumbWidth || h.biHeight != rec.Info.ThumbHeight || h.biBitCount != rec.Info.Bits)
            std::abort();
    }
    return 0;
}
