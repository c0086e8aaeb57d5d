// Fuzzes the kit's animated-cursor reader, icon files and the icon list's stored form:
// any bytes give pictures or an exception of the class library.
#include "fuzz/KitFuzz.h"
#include "kit/AniFile.h"
#include "kit/IcoList.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream s;
    if (size) s.WriteBuffer(data, static_cast<Int64>(size));
    TAnimatedCursorImage ani;
    try {
        s.SetPosition(0);
        ani.LoadFromStream(&s);
        if (ani.Count() == 0) std::abort();
        int width = 0;
        for (int i = 0; i < ani.Count(); ++i) width += ani.Frames(i)->Width();
        if (width <= 4096 && ani.Frames(0)->Height() <= 256) {
            TBitmap strip;
            ani.PaintFrames(&strip, clWhite, false, true);
            if (strip.Width() != width) std::abort();
        }
    } catch (const Exception&) {
        if (ani.Count() != 0) std::abort();
    }
    try {
        TIcon icon;
        icon.LoadFromData(data, size);
        if (icon.Width() <= 0 || icon.Height() <= 0) std::abort();
    } catch (const Exception&) {
    }
    try {
        TIconList list;
        s.SetPosition(0);
        list.ReadData(&s);
    } catch (const Exception&) {
    }
    return 0;
}
