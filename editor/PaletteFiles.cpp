#include "editor/PaletteFiles.h"

#include "editor/EditorOps.h"
#include "editor/PaletteFile.h"
#include "editor/PixelRows.h"

#include "platform/msgbox.h"
#include "poster/Dither.h"
#include "poster/Pixwerk.h"

#include <array>
#include <new>
#include <vector>

namespace editorops {

namespace {

using editor::PixelRows;
using namespace picops;

constexpr UINT ErrorFlags = MB_OK | MB_ICONERROR | MB_TASKMODAL;

void mergeFloat(TChildDocument& Doc) {
    Doc.EndFloatingState();
    Doc.FinishDraging();
}

int pictureColours(const TChildDocument& Doc) {
    if (!Doc.Dib) return 0;
    const int n = DibColorCount(Doc.Dib.get());
    return n == 16 || n == 256 ? n : 0;
}

void install(TChildDocument& Doc, UniqueDib Picture) {
    Doc.ReplacePicture(std::move(Picture));
    Doc.Window().PaletteChanged();
    Doc.Window().UpdateMenuItems();
    Doc.PaintBox1Paint();
}

// After a depth change colour 1 is the first entry and colour 2 the last (white for 24 bits).
void depthColours(TChildDocument& Doc) {
    Doc.setcol1(0);
    Doc.setcol2(DibColorCount(Doc.Dib.get()) - 1);
}

}  // namespace

bool savepal(TChildDocument& Doc, const String& FileName) {
    if (!pictureColours(Doc)) return false;
    if (WritePaletteFile(FileName, Doc.Dib.get().Palette)) return true;
    Doc.ShowMessage(PaletteSaveErrorText, "", ErrorFlags);
    return false;
}

bool loadpal(TChildDocument& Doc, const String& FileName) {
    TDibPalette file{};
    bool done = false;
    if (!ReadPaletteFile(FileName, file)) {
        Doc.ShowMessage(PaletteLoadErrorText, "", ErrorFlags);
    } else if (file.palVersion != 0x0300 || pictureColours(Doc) == 0 || file.palNumEntries != pictureColours(Doc)) {
        Doc.ShowMessage(PaletteMismatchText, "", ErrorFlags);
    } else {
        setPalette(Doc.Dib, file.palPalEntry, file.palNumEntries);
        Doc.setcol1(Doc.Color1);
        Doc.setcol2(Doc.Color2);
        Doc.Window().PaletteChanged();
        done = true;
    }
    Doc.PaintBox1Paint();
    return done;
}

bool loadpal0(TChildDocument& Doc, const String& FileName, const TProgressSink& Progress) {
    // The picture changes depth: a floating selection of the old depth must not outlive it.
    mergeFloat(Doc);
    TDibPalette file{};
    if (!ReadPaletteFile(FileName, file)) {
        Doc.ShowMessage(PaletteLoadErrorText, "", ErrorFlags);
        return false;
    }
    if (!PaletteBlockLegal(file)) {
        Doc.ShowMessage(IllegalPaletteText, "", ErrorFlags);
        return false;
    }
    const PixelRows src(Doc.Dib.get());
    if (!src.valid()) return false;
    const int count = file.palNumEntries;
    UniqueDib result = newPicture(src.width(), src.height(), count == 16 ? 4 : 8, file.palPalEntry, count);
    if (!result) {
        Doc.ShowMessage(EditorOutOfMemoryText, "", MB_OK | MB_ICONERROR);
        return false;
    }
    if (Doc.ShowMessage(PaletteDitherQuestion, PaletteDitherCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        DitherToPalette(Doc.Dib.get(), result.get(), Progress);
    } else {
        const PixelRows dst(result.get());
        TNearestColour nearest(file.palPalEntry, count);
        const TDib& d = Doc.Dib.get();
        ProgressReport report(Progress);
        for (int y = 0; y < src.height(); ++y) {
            report.step(y, src.height());
            for (int x = 0; x < src.width(); ++x) {
                const int v = src.get(x, y);
                int r, g, b;
                if (src.bitCount() == 1) {
                    r = g = b = v ? 255 : 0;
                } else if (src.bitCount() <= 8) {
                    const PALETTEENTRY& e = d.Palette.palPalEntry[v];
                    r = e.peRed, g = e.peGreen, b = e.peBlue;
                } else {
                    r = v & 0xFF, g = (v >> 8) & 0xFF, b = (v >> 16) & 0xFF;
                }
                dst.put(x, y, nearest(r, g, b));
            }
        }
    }
    install(Doc, std::move(result));
    Doc.setcol1(0);
    Doc.setcol2(count - 1);
    return true;
}

bool ChangeDepthDown(TChildDocument& Doc, int Bits, const TColourReduction& How, const TProgressSink& Progress) {
    mergeFloat(Doc);
    UniqueDib result = DepthDownTo(Doc.Dib.get(), Bits, How, Progress);
    if (!result) return false;
    install(Doc, std::move(result));
    depthColours(Doc);
    return true;
}

bool ChangeDepthUp(TChildDocument& Doc, int Bits, const TProgressSink& Progress) {
    mergeFloat(Doc);
    UniqueDib result = DepthUpTo(Doc.Dib.get(), Bits, Progress);
    if (!result) return false;
    install(Doc, std::move(result));
    depthColours(Doc);
    return true;
}

std::optional<int> CountColours(TDib Dib, const TDib* Mask, const TProgressSink& Progress) {
    const PixelRows pic(Dib);
    if (!pic.valid()) return 0;
    const Selection selection(Mask, Dib);
    if (selection.none()) return 0;
    ProgressReport report(Progress);
    int count = 0;
    if (pic.bitCount() == 24) {
        std::vector<unsigned char> seen;
        try {
            seen.assign(std::size_t{1} << 21, 0);
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
        for (int y = 0; y < pic.height(); ++y) {
            report.step(y, pic.height());
            const BYTE* p = pic.row(y);
            const BYTE* m = selection.all() ? nullptr : selection.row(y);
            for (int x = 0; x < pic.width(); ++x, p += 3) {
                if (m && !Selection::selected(m, x)) continue;
                const std::uint32_t key = p[2] | p[1] << 8 | static_cast<std::uint32_t>(p[0]) << 16;
                unsigned char& byte = seen[key >> 3];
                const unsigned char bit = static_cast<unsigned char>(1u << (key & 7));
                if (!(byte & bit)) {
                    byte = static_cast<unsigned char>(byte | bit);
                    ++count;
                }
            }
        }
        return count;
    }
    bool used[256] = {};
    for (int y = 0; y < pic.height(); ++y) {
        report.step(y, pic.height());
        const BYTE* m = selection.all() ? nullptr : selection.row(y);
        for (int x = 0; x < pic.width(); ++x) {
            if (m && !Selection::selected(m, x)) continue;
            bool& u = used[pic.get(x, y)];
            if (!u) {
                u = true;
                ++count;
            }
        }
    }
    return count;
}

int CountColors(TChildDocument& Doc, const TProgressSink& Progress) {
    const std::optional<int> n = CountColours(Doc.Dib.get(), editor::ActiveMask(Doc), Progress);
    if (n) return *n;
    Doc.ShowMessage(EditorOutOfMemoryText, "", MB_OK | MB_ICONERROR);
    return 0;
}

namespace {

const PALETTEENTRY* greyPalette() {
    static const std::array<PALETTEENTRY, 256> greys = [] {
        std::array<PALETTEENTRY, 256> g{};
        for (int i = 0; i < 256; ++i) g[static_cast<std::size_t>(i)] = PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0};
        return g;
    }();
    return greys.data();
}

// The grey value of a pixel: its luminance.
int greyAt(const PixelRows& rows, const TDib& dib, int x, int y) {
    const int v = rows.get(x, y);
    if (rows.bitCount() == 24) return editor::luminance(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    const PALETTEENTRY& e = dib.Palette.palPalEntry[v];
    return editor::luminance(e.peRed, e.peGreen, e.peBlue);
}

}  // namespace

bool SplittTORGB(TChildDocument& Doc, UniqueDib& Red, UniqueDib& Green, UniqueDib& Blue) {
    const PixelRows src(Doc.Dib.get());
    if (!src.valid() || src.bitCount() != 24) return false;
    UniqueDib* out[3] = {&Red, &Green, &Blue};
    for (UniqueDib* d : out) {
        *d = newPicture(src.width(), src.height(), 8, greyPalette(), 256);
        if (!*d) {
            Red.reset(), Green.reset(), Blue.reset();
            Doc.ShowMessage(EditorOutOfMemoryText, "", MB_OK | MB_ICONERROR);
            return false;
        }
    }
    const PixelRows r(Red.get()), g(Green.get()), b(Blue.get());
    for (int y = 0; y < src.height(); ++y) {
        const BYTE* p = src.row(y);
        BYTE *pr = r.row(y), *pg = g.row(y), *pb = b.row(y);
        for (int x = 0; x < src.width(); ++x) {
            pb[x] = p[3 * x];
            pg[x] = p[3 * x + 1];
            pr[x] = p[3 * x + 2];
        }
    }
    return true;
}

UniqueDib CombineFromRGB(TChildDocument& Doc, const TDib& Red, const TDib& Green, const TDib& Blue) {
    const PixelRows r(Red), g(Green), b(Blue);
    if (!r.valid() || !g.valid() || !b.valid() || r.width() != g.width() || r.width() != b.width() ||
        r.height() != g.height() || r.height() != b.height()) {
        Doc.ShowMessage(ChannelSizeErrorText, "", MB_OK | MB_ICONERROR);
        return UniqueDib();
    }
    UniqueDib result = newPicture(r.width(), r.height(), 24, nullptr, 0);
    if (!result) {
        Doc.ShowMessage(EditorOutOfMemoryText, "", MB_OK | MB_ICONERROR);
        return result;
    }
    const PixelRows out(result.get());
    for (int y = 0; y < r.height(); ++y) {
        BYTE* p = out.row(y);
        for (int x = 0; x < r.width(); ++x) {
            p[3 * x] = static_cast<BYTE>(greyAt(b, Blue, x, y));
            p[3 * x + 1] = static_cast<BYTE>(greyAt(g, Green, x, y));
            p[3 * x + 2] = static_cast<BYTE>(greyAt(r, Red, x, y));
        }
    }
    return result;
}

}  // namespace editorops
