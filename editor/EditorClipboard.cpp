// Copy, cut, delete and paste between the document and the clipboard; select everything,
// nothing, or the other pixels.
#include "editor/EditorClipboard.h"
#include "editor/ClipDib.h"
#include "editor/PixelRows.h"

#include "platform/clipboard.h"
#include "platform/gdi.h"
#include "platform/globalmem.h"
#include "platform/msgbox.h"
#include "poster/Pixwerk.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

using editor::PixelRows;

namespace {

constexpr UINT kBlockFlags = GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT;

// A picture record over the rows of a block, for PixelRows.
TDib recordOver(BYTE* block, std::size_t rowsAt, LONG lineBytes) {
    TDib t;
    std::memset(&t, 0, sizeof t);
    t.Info = reinterpret_cast<BITMAPINFO*>(block);
    t.Bits = block + rowsAt;
    t.LineBytes = lineBytes;
    return t;
}

// Whether two palette pictures show the same colours for every index.
bool sameTable(const TDib& a, const TDib& b) {
    const int n = DibColorCount(a);
    if (n != DibColorCount(b) || n > 256) return false;
    for (int i = 0; i < n; ++i) {
        const RGBQUAD& p = a.Info->bmiColors[i];
        const RGBQUAD& q = b.Info->bmiColors[i];
        if (p.rgbRed != q.rgbRed || p.rgbGreen != q.rgbGreen || p.rgbBlue != q.rgbBlue) return false;
    }
    return true;
}

}  // namespace

TEditorClipboard::TEditorClipboard(HWND Owner)
    : ClipFormat(RegisterClipboardFormatA(SelectionClipFormatName)), FOwner(Owner) {}

int TEditorClipboard::RowBytes(int Bits) { return (Bits + 31) / 32 * 4; }

void TEditorClipboard::SplitRGB(int Colour, int& Red, int& Green, int& Blue) {
    Red = Colour & 0xFF;
    Green = (Colour >> 8) & 0xFF;
    Blue = (Colour >> 16) & 0xFF;
}

// ---- Selection ----

void TEditorClipboard::SelectAll(TChildDocument& Doc) {
    if (!Doc.Dib || !Doc.EnsureMask()) return;
    Doc.SaveForUndo();
    Doc.EndFloatingState();
    const PixelRows m(Doc.SelMask.get());
    std::memset(m.bits(), 0xFF, m.imageBytes());
    Doc.UpdateSelddib();
    Doc.PaintBox1Paint();
}

void TEditorClipboard::SelectNone(TChildDocument& Doc) {
    if (!Doc.Dib) return;
    Doc.SaveForUndo();
    Doc.EndFloatingState();
    Doc.ClearSelection();
    Doc.PaintBox1Paint();
    Doc.Window().UpdateMenuItems();
}

void TEditorClipboard::InvertSelection(TChildDocument& Doc) {
    if (!Doc.Dib || !Doc.EnsureMask()) return;
    Doc.SaveForUndo();
    Doc.EndFloatingState();
    const PixelRows m(Doc.SelMask.get());
    BYTE* bits = m.bits();
    for (std::size_t i = 0, n = m.imageBytes(); i < n; ++i) bits[i] = static_cast<BYTE>(~bits[i]);
    Doc.UpdateSelddib();
    Doc.PaintBox1Paint();
}

// ---- Copy, delete, cut ----

bool TEditorClipboard::Copy(TChildDocument& Doc) {
    const TDib& d = Doc.Dib.get();
    const PixelRows pic(d);
    if (!pic.valid()) return false;
    const int bits = pic.bitCount();
    const int colours = bits <= 8 ? 1 << bits : 0;
    const PixelRows sel(Doc.SelMask.get());
    const bool withSel = Doc.SelActive && sel.valid() && sel.width() == pic.width() && sel.height() == pic.height();
    RECT box{0, 0, pic.width() - 1, pic.height() - 1};
    if (withSel) {
        box.left = std::max<LONG>(Doc.SelBounds.left, 0);
        box.top = std::max<LONG>(Doc.SelBounds.top, 0);
        box.right = std::min<LONG>(Doc.SelBounds.right, pic.width() - 1);
        box.bottom = std::min<LONG>(Doc.SelBounds.bottom, pic.height() - 1);
    } else {
        Doc.SelBounds = box;
    }
    const int bw = box.right - box.left + 1, bh = box.bottom - box.top + 1;
    if (bw <= 0 || bh <= 0) return false;
    const std::size_t line = static_cast<std::size_t>(editor::DibRowBytes(static_cast<std::uint64_t>(bw), bits));
    const std::size_t image = line * static_cast<std::size_t>(bh);
    const std::size_t rowsAt = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * static_cast<std::size_t>(colours);

    // Everything is allocated before the clipboard is touched, so a failure keeps its content.
    if (withSel) {
        newdib(ClipMaskDib.out(), bw, bh, 1, nullptr, 0);
        if (!ClipMaskDib) {
            Doc.OutOfMemory();
            return false;
        }
    }
    HGLOBAL dibBlock = GlobalAlloc(kBlockFlags, rowsAt + image);
    auto* out = dibBlock ? static_cast<BYTE*>(GlobalLock(dibBlock)) : nullptr;
    if (!out) {
        if (dibBlock) GlobalFree(dibBlock);
        ClipMaskDib.reset();
        Doc.OutOfMemory();
        return false;
    }
    BITMAPINFOHEADER h = d.Info->bmiHeader;
    h.biSize = sizeof h;
    h.biWidth = bw;
    h.biHeight = bh;
    h.biPlanes = 1;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(image);
    h.biClrUsed = static_cast<DWORD>(colours);
    h.biClrImportant = 0;
    std::memcpy(out, &h, sizeof h);
    if (colours) std::memcpy(out + sizeof h, d.Info->bmiColors, sizeof(RGBQUAD) * static_cast<std::size_t>(colours));

    const PixelRows dst(recordOver(out, rowsAt, static_cast<LONG>(line)));
    if (bits < 8 || withSel) {
        // Pixels outside the mask stay 0.
        const PixelRows mr(ClipMaskDib.get());
        for (int y = box.top; y <= box.bottom; ++y)
            for (int x = box.left; x <= box.right; ++x) {
                if (withSel && sel.get(x, y) != 1) continue;
                dst.put(x - box.left, y - box.top, pic.get(x, y));
                if (withSel) mr.put(x - box.left, y - box.top, 1);
            }
    } else {
        std::memcpy(dst.bits(), pic.bits(), image);
    }
    GlobalUnlock(dibBlock);

    HGLOBAL maskBlock = nullptr;
    if (withSel) {
        const PixelRows mr(ClipMaskDib.get());
        maskBlock = GlobalAlloc(kBlockFlags, editor::ClipMaskHeadBytes + mr.imageBytes());
        auto* m = maskBlock ? static_cast<BYTE*>(GlobalLock(maskBlock)) : nullptr;
        if (!m) {
            if (maskBlock) GlobalFree(maskBlock);
            GlobalFree(dibBlock);
            ClipMaskDib.reset();
            Doc.OutOfMemory();
            return false;
        }
        // Header and the two colour entries; the 4 bytes after them stay 0.
        std::memcpy(m, ClipMaskDib.get().Info, sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
        std::memcpy(m + editor::ClipMaskHeadBytes, mr.bits(), mr.imageBytes());
        GlobalUnlock(maskBlock);
        ClipMaskDib.reset();
    }

    if (!OpenClipboard(FOwner)) {
        GlobalFree(dibBlock);
        if (maskBlock) GlobalFree(maskBlock);
        return false;
    }
    ::EmptyClipboard();
    bool ok = SetClipboardData(CF_DIB, dibBlock) != nullptr;
    if (!ok) GlobalFree(dibBlock);
    if (maskBlock && !SetClipboardData(ClipFormat, maskBlock)) {
        GlobalFree(maskBlock);
        ok = false;
    }
    CloseClipboard();
    Doc.Window().UpdateMenuItems();
    return ok;
}

void TEditorClipboard::Delete(TChildDocument& Doc) {
    if (!Doc.Dib) return;
    Doc.SaveForUndo();
    if (Doc.FloatDib && !Doc.DragActive) {
        // A float on its way: a lifted one goes home first, a paste never placed is gone.
        Doc.EndFloatingState();
        if (!Doc.DragActive) {
            Doc.PaintBox1Paint();
            return;
        }
    }
    if (Doc.DragActive) {
        Doc.RestoreBackground();
        Doc.ClearSelection();
        Doc.FinishDraging();
    } else {
        const PixelRows pic(Doc.Dib.get()), sel(Doc.SelMask.get());
        const bool withSel = Doc.SelActive && sel.valid() && sel.width() == pic.width() && sel.height() == pic.height();
        if (!withSel) Doc.SelBounds = RECT{0, 0, pic.width() - 1, pic.height() - 1};
        const int left = std::max<int>(Doc.SelBounds.left, 0), top = std::max<int>(Doc.SelBounds.top, 0);
        const int right = std::min<int>(Doc.SelBounds.right, pic.width() - 1);
        const int bottom = std::min<int>(Doc.SelBounds.bottom, pic.height() - 1);
        for (int x = left; x <= right; ++x)
            for (int y = top; y <= bottom; ++y)
                if (!withSel || sel.get(x, y) == 1) pic.put(x, y, Doc.Color2);
        DibPixelsChanged(Doc.Dib.get());
    }
    Doc.PaintBox1Paint();
}

void TEditorClipboard::Cut(TChildDocument& Doc) {
    // What could not be copied is not deleted.
    if (Copy(Doc)) Delete(Doc);
}

void TEditorClipboard::EmptyClipboard() {
    if (!OpenClipboard(FOwner)) return;
    ::EmptyClipboard();
    CloseClipboard();
}

bool TEditorClipboard::HasPicture() const {
    if (!OpenClipboard(FOwner)) return false;
    const bool has = IsClipboardFormatAvailable(CF_DIB);
    CloseClipboard();
    return has;
}

// ---- Paste ----

bool TEditorClipboard::ReadClipboardPicture(TChildDocument& Doc, UniqueDib& Picture) {
    Picture.reset();
    HANDLE block = GetClipboardData(CF_DIB);
    if (!block) return false;
    const SIZE_T size = GlobalSize(block);
    const void* bytes = GlobalLock(block);
    if (!bytes) return false;
    const editor::TClipRead read = editor::ReadClipDib(bytes, size, Picture);
    GlobalUnlock(block);
    if (read == editor::TClipRead::OutOfMemory) Doc.OutOfMemory();
    return read == editor::TClipRead::Picture;
}

bool TEditorClipboard::PasteAsNewPicture(TChildDocument& Doc) {
    if (!OpenClipboard(FOwner)) return false;
    UniqueDib picture;
    const bool read = IsClipboardFormatAvailable(CF_DIB) && ReadClipboardPicture(Doc, picture);
    CloseClipboard();
    if (!read) return false;
    if (NewWindow) NewWindow(Doc, std::move(picture));
    else InstallNewPicture(Doc, std::move(picture), "");
    return true;
}

bool TEditorClipboard::PasteAsSelection(TChildDocument& Doc, bool Transparent) {
    PasteTransparent = Transparent;
    return PasteAlsAuswahl(Doc);
}

bool TEditorClipboard::PasteAlsAuswahl(TChildDocument& Doc) {
    if (!Doc.Dib) return false;
    if (!OpenClipboard(FOwner)) return false;
    UniqueDib picture;
    if (!IsClipboardFormatAvailable(CF_DIB) || !ReadClipboardPicture(Doc, picture)) {
        CloseClipboard();
        return false;
    }
    bool useMask = false;
    if (IsClipboardFormatAvailable(ClipFormat))
        if (HANDLE block = GetClipboardData(ClipFormat)) {
            const SIZE_T size = GlobalSize(block);
            if (const void* bytes = GlobalLock(block)) {
                useMask = editor::ReadClipMask(bytes, size, DibWidth(picture.get()), DibHeight(picture.get()),
                                               ClipMaskDib);
                GlobalUnlock(block);
            }
        }
    CloseClipboard();

    // The step is saved only when there is something to paste.
    Doc.SaveForUndo();
    const TDib& d = Doc.Dib.get();
    if (DibBitCount(d) != DibBitCount(picture.get()) ||
        (DibColorCount(d) <= 256 && !sameTable(d, picture.get())))
        MakeCompatibleDib(d, picture);
    Doc.InitDraging(std::move(picture), std::move(ClipMaskDib), true, 99, PasteTransparent, useMask);
    ClipMaskDib.reset();
    Doc.Window().UpdateMenuItems();
    return static_cast<bool>(Doc.FloatDib);
}

void TEditorClipboard::MakeCompatibleDib(const TDib& Picture, UniqueDib& Pasted) {
    const PixelRows doc(Picture), src(Pasted.get());
    if (!doc.valid() || !src.valid()) return;
    const int bits = doc.bitCount();
    const int colours = bits <= 8 ? 1 << bits : 0;
    UniqueDib out;
    newdib(out.out(), src.width(), src.height(), bits, colours ? Picture.Info : nullptr, colours);
    if (!out) return;
    PALETTEENTRY entries[256] = {};
    for (int i = 0; i < colours; ++i) {
        const RGBQUAD& q = Picture.Info->bmiColors[i];
        entries[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
    const TDib& s = Pasted.get();
    const int srcColours = src.bitCount() <= 8 ? 1 << src.bitCount() : 0;
    auto colourOf = [&](int v) -> int {
        if (!srcColours) return v & 0xFFFFFF;
        const RGBQUAD& q = s.Info->bmiColors[v & (srcColours - 1)];
        return q.rgbRed | q.rgbGreen << 8 | q.rgbBlue << 16;
    };
    std::unordered_map<int, int> nearest;
    auto mapped = [&](int colour) -> int {
        if (!colours) return colour;
        const auto it = nearest.find(colour);
        if (it != nearest.end()) return it->second;
        const int index = static_cast<int>(NearestPaletteEntry(entries, static_cast<UINT>(colours),
                                                               static_cast<COLORREF>(colour)));
        nearest.emplace(colour, index);
        return index;
    };
    const PixelRows dst(out.get());
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) dst.put(x, y, mapped(colourOf(src.get(x, y))));
    Pasted = std::move(out);
}

void TEditorClipboard::InstallNewPicture(TChildDocument& Doc, UniqueDib Picture, const String& Name) {
    if (!Picture) {
        Doc.PaintBox1Paint();
        Doc.Window().UpdateMenuItems();
        return;
    }
    Doc.EndFloatingState();
    Doc.SelMask.reset();
    Doc.OutlinePoints.clear();
    TChildDocument::FreeSel(Doc.FreeSelPolygons);
    Doc.FreeSelPolygons = TFreeSelPolygons{};
    Doc.SelActive = false;
    while (Doc.UndoCount > 0) Doc.FreeUndoBuffer(1);
    Doc.Dib = std::move(Picture);
    Doc.ZoomNum = Doc.ZoomDen = 1;
    Doc.DocName = Name;
    Doc.UpdateCaption();
    Doc.Window().ZoomEntryChanged(TChildDocument::ZoomBoxIndex(1, 1));
    if (!Doc.EnsureMask()) {
        Doc.ShowMessage("Could not create bitmap.", "Not enough free memory(?)!", MB_OK | MB_ICONERROR);
    } else {
        Doc.UpdateSelddib();
        Doc.SetZoomedPaintBox();
        Doc.Window().PaletteChanged();
        Doc.setcol1(0);
        Doc.setcol2(DibColorCount(Doc.Dib.get()) - 1);
    }
    Doc.PaintBox1Paint();
    Doc.Window().UpdateMenuItems();
}
