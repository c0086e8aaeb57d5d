// Fuzzes the kit's GIF reader: any bytes give frames or an exception of the class library;
// a decoded frame written again by our encoder reads back to the same indexes.
#include "fuzz/KitFuzz.h"
#include "kit/KitGIF.h"

#include <cstdint>
#include <cstdlib>

namespace {

std::vector<BYTE> indexesOf(TBitmap* b) {
    std::vector<BYTE> info, bits;
    if (!b->ReadDib(info, bits)) return {};
    return bits;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    GIFMaxFramePixels = std::int64_t(1) << 18;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Odd sizes read strictly, even ones tolerantly.
    GIFTolerantReading = size % 2 == 0;
    TGIFImage gif;
    try {
        TMemoryStream s;
        if (size) s.WriteBuffer(data, static_cast<Int64>(size));
        s.SetPosition(0);
        gif.LoadFromStream(&s);
    } catch (const Exception&) {
        if (gif.Count() != 0) std::abort();
        return 0;
    }
    // The first frame is decoded; the others may still fail, each on its own.
    for (int i = 0; i < gif.Count() && i < 8; ++i) {
        try {
            TBitmap* b = gif.Frames(i)->Bitmap();
            if (b->Width() != gif.Frames(i)->Width() || b->Height() != gif.Frames(i)->Height()) std::abort();
        } catch (const Exception&) {
            if (i == 0) std::abort();
        }
    }
    if (gif.Count() == 0 || static_cast<std::int64_t>(gif.Frames(0)->Width()) * gif.Frames(0)->Height() > (1 << 18))
        return 0;
    // Our encoder on the decoded frame, read back.
    TGIFFrame* first = gif.Frames(0);
    const std::vector<BYTE> before = indexesOf(first->Bitmap());
    first->SetBitmap(first->Bitmap());
    TMemoryStream out;
    TGIFImage back;
    try {
        gif.SaveToStream(&out);
        out.SetPosition(0);
        GIFTolerantReading = false;
        back.LoadFromStream(&out);
    } catch (const Exception&) {
        std::abort();
    }
    if (back.Count() != gif.Count() || indexesOf(back.Frames(0)->Bitmap()) != before) std::abort();
    return 0;
}
