// A scripted editor window and a view without widgets for the document's tests, and
// pictures to test with.
#pragma once

#include "editor/ChildDocument.h"
#include "pixwerk/codec.h"
#include "poster/Pixwerk.h"

#include <algorithm>
#include <string>
#include <vector>

namespace edtest {

class TestWindow : public TEditorWindowLink {
public:
    TEditorTool Tool = TEditorTool::Select;
    int Type = 0;
    int Tol = 25;
    std::vector<String> Captions;
    String Status[2];
    int MenuUpdates = 0;
    int ApplyZooms = 0;
    std::vector<int> ZoomEntries;
    void CaptionChanged(const String& c) override { Captions.push_back(c); }
    void StatusText(int panel, const String& t) override { Status[panel & 1] = t; }
    void UpdateMenuItems() override { ++MenuUpdates; }
    void ZoomEntryChanged(int i) override { ZoomEntries.push_back(i); }
    void ApplyZoom() override { ++ApplyZooms; }
    TEditorTool CurrentTool() const override { return Tool; }
    int SelectionType() const override { return Type; }
    int Tolerance() const override { return Tol; }
};

// A scroll box of a fixed size without scroll bars of its own.
class TestView : public TDocumentView {
public:
    int H = 0, V = 0;
    SIZE Box{200, 150};
    SIZE Paint{0, 0};
    bool Captured = false;
    bool OtherHolder = false;
    int Cursor = 0;
    int PictureChanges = 0;
    int OverlayChanges = 0;
    int ScrollPos(bool h) const override { return h ? H : V; }
    void SetScrollPos(bool h, int p) override {
        const int maxPos = std::max(0, h ? Paint.cx - Box.cx : Paint.cy - Box.cy);
        (h ? H : V) = std::clamp(p, 0, maxPos);
    }
    int ScrollRange(bool h) const override { return h ? Paint.cx : Paint.cy; }
    SIZE BoxSize() const override { return Box; }
    SIZE BoxClientSize() const override { return Box; }
    SIZE PaintBoxSize() const override { return Paint; }
    void SetPaintBoxSize(int w, int h) override {
        Paint = SIZE{w, h};
        SetScrollPos(true, H);
        SetScrollPos(false, V);
    }
    void PictureChanged() override { ++PictureChanges; }
    void OverlayChanged() override { ++OverlayChanges; }
    bool CaptureMouse() override {
        if (OtherHolder) return false;
        Captured = true;
        return true;
    }
    void ReleaseMouse() override { Captured = false; }
    void SetToolCursor(int n) override { Cursor = n; }
};

// A picture whose pixel (x, y) holds `f(x, y)`.
template <class F>
UniqueDib makePicture(int w, int h, int bits, F f) {
    UniqueDib d;
    newdib(d.out(), w, h, bits, nullptr, 0);
    if (bits <= 8) {
        // Distinct colours for every index.
        for (int i = 0; i < (1 << bits); ++i)
            d.get().Info->bmiColors[i] = RGBQUAD{static_cast<BYTE>((i * 37) & 0xFF), static_cast<BYTE>(255 - i),
                                                 static_cast<BYTE>(i), 0};
        TDib& raw = const_cast<TDib&>(d.get());
        pixwerk::syncPalette(&raw);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d.get(), x, y, f(x, y));
    return d;
}

inline int pattern24(int x, int y) { return ((x * 7 + y * 13) & 0xFF) | ((x * 3) & 0xFF) << 8 | ((y * 5 + 1) & 0xFF) << 16; }
inline int pattern8(int x, int y) { return (x + 2 * y) % 7 + 1; }

// A document with a test window and view, a picture installed at 1:1 and an empty mask.
struct Doc {
    TestWindow window;
    TestView view;
    TChildDocument doc;
    explicit Doc(UniqueDib picture) {
        doc.SetWindowLink(&window);
        doc.SetView(&view);
        doc.Dib = std::move(picture);
        doc.EnsureMask();
        doc.UpdateSelddib();
        const SIZE s = doc.ZoomedSize();
        view.SetPaintBoxSize(s.cx, s.cy);
    }
    Doc(int w, int h, int bits = 24) : Doc(makePicture(w, h, bits, bits == 24 ? pattern24 : pattern8)) {}
    int mask(int x, int y) const { return getpixel(doc.SelMask.get(), x, y); }
    int pixel(int x, int y) const { return getpixel(doc.Dib.get(), x, y); }
    int selectedCount() const {
        int n = 0;
        for (int y = 0; y < DibHeight(doc.SelMask.get()); ++y)
            for (int x = 0; x < DibWidth(doc.SelMask.get()); ++x) n += mask(x, y);
        return n;
    }
    // A drag with the left button from (x1, y1) to (x2, y2), view coordinates.
    void drag(int x1, int y1, int x2, int y2, TShiftState shift = 0) {
        doc.PaintBox1MouseDown(mbLeft, shift, x1, y1);
        doc.PaintBox1MouseMove(shift | ssLeft, (x1 + x2) / 2, (y1 + y2) / 2);
        doc.PaintBox1MouseMove(shift | ssLeft, x2, y2);
        doc.PaintBox1MouseUp(mbLeft, shift, x2, y2);
    }
};

// Limits picture memory for the life of the object.
class AllocationLimit {
public:
    explicit AllocationLimit(std::uint64_t bytes) : old_(pixwerk::allocationLimit()) { pixwerk::setAllocationLimit(bytes); }
    ~AllocationLimit() { pixwerk::setAllocationLimit(old_); }

private:
    std::uint64_t old_;
};

inline bool samePixels(const TDib& a, const TDib& b) {
    if (DibWidth(a) != DibWidth(b) || DibHeight(a) != DibHeight(b) || DibBitCount(a) != DibBitCount(b)) return false;
    for (int y = 0; y < DibHeight(a); ++y)
        for (int x = 0; x < DibWidth(a); ++x)
            if (getpixel(a, x, y) != getpixel(b, x, y)) return false;
    return true;
}

inline UniqueDib copyOf(const TDib& d) {
    UniqueDib c;
    const int colours = DibColorCount(d);
    newdib(c.out(), DibWidth(d), DibHeight(d), DibBitCount(d), colours <= 256 ? d.Info : nullptr,
           colours <= 256 ? colours : 0);
    for (int y = 0; y < DibHeight(d); ++y)
        for (int x = 0; x < DibWidth(d); ++x) setpixel(c.get(), x, y, getpixel(d, x, y));
    return c;
}

}  // namespace edtest
