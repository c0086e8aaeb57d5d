// Documents, masks and scripted message boxes for the tests of the editor's operations.
#pragma once

#include "editor/tests/EditorTestSupport.h"

#include <functional>
#include <string>
#include <vector>

namespace opstest2 {

inline int rgb(int r, int g, int b) { return r | g << 8 | b << 16; }
inline int red(int c) { return c & 0xFF; }
inline int green(int c) { return (c >> 8) & 0xFF; }
inline int blue(int c) { return (c >> 16) & 0xFF; }

// A window that records each message box and answers with `Answer`.
class ScriptWindow : public edtest::TestWindow {
public:
    struct Box {
        std::string text, caption;
        UINT flags;
    };
    std::vector<Box> Boxes;
    int Answer = 1;  // IDOK
    int PaletteChanges = 0;
    int MessageBox(const String& text, const String& caption, UINT flags) override {
        Boxes.push_back(Box{text, caption, flags});
        return Answer;
    }
    void PaletteChanged() override { ++PaletteChanges; }
};

// A document on a scripted window.
struct OpsDoc {
    ScriptWindow window;
    edtest::TestView view;
    TChildDocument doc;
    explicit OpsDoc(UniqueDib picture) {
        doc.SetWindowLink(&window);
        doc.SetView(&view);
        doc.Dib = std::move(picture);
        doc.EnsureMask();
        doc.UpdateSelddib();
    }
    // Selects the pixels where `f` holds.
    void select(const std::function<bool(int, int)>& f) {
        const TDib& m = doc.SelMask.get();
        for (int y = 0; y < DibHeight(m); ++y)
            for (int x = 0; x < DibWidth(m); ++x) setpixel(m, x, y, f(x, y) ? 1 : 0);
        doc.UpdateSelddib();
    }
    void selectBox(int l, int t, int r, int b) {
        select([=](int x, int y) { return x >= l && x <= r && y >= t && y <= b; });
    }
    int pixel(int x, int y) const { return getpixel(doc.Dib.get(), x, y); }
};

// A picture whose palette entries (for palette depths) are given by `entry(i)`.
template <class P, class F>
UniqueDib paletted(int w, int h, int bits, P entry, F pixel) {
    std::vector<PALETTEENTRY> e(static_cast<std::size_t>(1 << bits));
    for (int i = 0; i < (1 << bits); ++i) e[static_cast<std::size_t>(i)] = entry(i);
    UniqueDib d = picops::newPicture(w, h, bits, e.data(), static_cast<int>(e.size()));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d.get(), x, y, pixel(x, y));
    return d;
}

inline UniqueDib truecolour(int w, int h, const std::function<int(int, int)>& pixel) {
    UniqueDib d = picops::newPicture(w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d.get(), x, y, pixel(x, y));
    return d;
}

inline std::vector<BYTE> allBytes(const TDib& d) {
    return std::vector<BYTE>(d.Bits, d.Bits + static_cast<std::size_t>(d.LineBytes) * DibHeight(d));
}

// Progress values an operation reports.
struct ProgressLog {
    std::vector<int> seen;
    TProgressSink sink() {
        return [this](int p) { seen.push_back(p); };
    }
    int highest() const {
        int h = 0;
        for (int p : seen) h = std::max(h, p);
        return h;
    }
};

}  // namespace opstest2
