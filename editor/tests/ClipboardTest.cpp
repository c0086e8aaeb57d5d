// The editor's clipboard commands on the document: copies and pastes at every depth, the
// blocks they leave for other programs, damaged blocks from elsewhere, conversions to the
// document's depth and palette, and the commands on the whole mask.
#include "EditorTestSupport.h"
#include "editor/ClipDib.h"
#include "editor/EditorClipboard.h"

#include "platform/clipboard.h"
#include "platform/globalmem.h"
#include "platform/msgbox.h"
#include "platform/winuser.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

using namespace edtest;

namespace {

using Bytes = std::vector<unsigned char>;

// A test window that counts the message boxes instead of showing them.
class CountingWindow : public TestWindow {
public:
    std::vector<String> Messages;
    int MessageBox(const String& text, const String&, UINT) override {
        Messages.push_back(text);
        return IDOK;
    }
};

struct ClipDoc : Doc {
    CountingWindow counting;
    explicit ClipDoc(UniqueDib p) : Doc(std::move(p)) { doc.SetWindowLink(&counting); }
    ClipDoc(int w, int h, int bits) : Doc(w, h, bits) { doc.SetWindowLink(&counting); }
};

void putBlock(UINT format, const Bytes& bytes) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    ASSERT_TRUE(SetClipboardData(format, platform::globalFromBytes(bytes.data(), bytes.size())));
    CloseClipboard();
}

Bytes blockOf(UINT format) {
    Bytes out;
    if (!OpenClipboard(nullptr)) return out;
    if (HANDLE h = GetClipboardData(format)) {
        const auto* p = static_cast<const unsigned char*>(GlobalLock(h));
        if (p) out.assign(p, p + GlobalSize(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
}

void clearClipboard() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

BITMAPINFOHEADER headerOf(const Bytes& b) {
    BITMAPINFOHEADER h{};
    if (b.size() >= sizeof h) std::memcpy(&h, b.data(), sizeof h);
    return h;
}

// A packed DIB: header (biSize bytes, the rest zero), extra bytes (masks), table, rows.
Bytes dib(int w, int h, int bits, DWORD compression = BI_RGB, DWORD clrUsed = 0, DWORD headerSize = 40,
          const Bytes& extra = {}, const Bytes& table = {}, const Bytes& rows = {}) {
    Bytes out(headerSize, 0);
    BITMAPINFOHEADER hd{};
    hd.biSize = headerSize;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biPlanes = 1;
    hd.biBitCount = static_cast<WORD>(bits);
    hd.biCompression = compression;
    hd.biClrUsed = clrUsed;
    std::memcpy(out.data(), &hd, std::min<std::size_t>(sizeof hd, headerSize));
    out.insert(out.end(), extra.begin(), extra.end());
    out.insert(out.end(), table.begin(), table.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

Bytes le32s(std::initializer_list<std::uint32_t> values) {
    Bytes out;
    for (std::uint32_t v : values)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return out;
}

UniqueDib filled(int w, int h, int bits, int value) {
    return makePicture(w, h, bits, [value](int, int) { return value; });
}

}  // namespace

TEST(EditorClipboard, ASelectionCopiedAndPastedBackIsExactAtEveryDepth) {
    for (const int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        ClipDoc src(23, 17, bits);
        src.doc.SelectShape(3, 2, 15, 12, 2, 0);  // an ellipse
        ASSERT_TRUE(src.doc.SelActive);
        const RECT box = src.doc.SelBounds;
        TEditorClipboard clip;
        ASSERT_TRUE(clip.Copy(src.doc));
        EXPECT_FALSE(clip.ClipMaskDib);

        ClipDoc dst(filled(30, 20, bits, 0));
        ASSERT_TRUE(clip.PasteAsSelection(dst.doc, false));
        EXPECT_EQ(dst.doc.ToolState, 99);
        ASSERT_TRUE(dst.doc.FloatDib);
        ASSERT_TRUE(dst.doc.FloatUseMask);
        const TDib& f = dst.doc.FloatDib.get();
        const TDib& m = dst.doc.FloatMask.get();
        ASSERT_EQ(DibWidth(f), box.right - box.left + 1);
        ASSERT_EQ(DibHeight(f), box.bottom - box.top + 1);
        ASSERT_EQ(DibBitCount(f), bits);
        for (int y = 0; y < DibHeight(f); ++y)
            for (int x = 0; x < DibWidth(f); ++x) {
                const int selected = src.mask(box.left + x, box.top + y);
                ASSERT_EQ(getpixel(m, x, y), selected) << x << "," << y;
                ASSERT_EQ(getpixel(f, x, y), selected ? src.pixel(box.left + x, box.top + y) : 0) << x << "," << y;
            }
        // Dropped at (5, 4): the selected pixels and the mask land there, nothing else changes.
        dst.doc.PaintBox1MouseMove(0, 5, 4);
        dst.doc.PaintBox1MouseDown(mbLeft, 0, 5, 4);
        EXPECT_EQ(dst.doc.ToolState, 0);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) {
                const int sx = x - 5 + box.left, sy = y - 4 + box.top;
                const bool in = sx >= 0 && sy >= 0 && sx < 23 && sy < 17 && x >= 5 && y >= 4 &&
                                x - 5 <= box.right - box.left && y - 4 <= box.bottom - box.top && src.mask(sx, sy);
                ASSERT_EQ(dst.pixel(x, y), in ? src.pixel(sx, sy) : 0) << x << "," << y;
                ASSERT_EQ(dst.mask(x, y), in ? 1 : 0) << x << "," << y;
            }
        EXPECT_TRUE(dst.counting.Messages.empty());
    }
}

TEST(EditorClipboard, CopyLeavesTheBlocksOtherProgramsRead) {
    TEditorClipboard clip;
    {
        // Without a selection: the picture's own header and rows, no mask format.
        ClipDoc d(9, 5, 24);
        d.doc.SelBounds = RECT{2, 2, 3, 3};
        ASSERT_TRUE(clip.Copy(d.doc));
        const Bytes b = blockOf(CF_DIB);
        const BITMAPINFOHEADER& own = d.doc.Dib.get().Info->bmiHeader;
        const BITMAPINFOHEADER h = headerOf(b);
        EXPECT_EQ(h.biWidth, 9);
        EXPECT_EQ(h.biHeight, 5);
        EXPECT_EQ(h.biBitCount, 24);
        EXPECT_EQ(h.biSizeImage, own.biSizeImage);
        ASSERT_EQ(b.size(), 40 + own.biSizeImage);
        EXPECT_EQ(std::memcmp(b.data() + 40, d.doc.Dib.get().Bits, own.biSizeImage), 0);
        EXPECT_FALSE(IsClipboardFormatAvailable(clip.ClipFormat));
        EXPECT_EQ(d.doc.SelBounds.left, 0);
        EXPECT_EQ(d.doc.SelBounds.top, 0);
        EXPECT_EQ(d.doc.SelBounds.right, 8);
        EXPECT_EQ(d.doc.SelBounds.bottom, 4);
    }
    {
        // A 4-bit picture: its 64-byte table follows the header.
        ClipDoc d(7, 3, 4);
        ASSERT_TRUE(clip.Copy(d.doc));
        const Bytes b = blockOf(CF_DIB);
        ASSERT_EQ(b.size(), 40u + 64u + 4u * 3u);
        EXPECT_EQ(std::memcmp(b.data() + 40, d.doc.Dib.get().Info->bmiColors, 64), 0);
        EXPECT_EQ(headerOf(b).biClrUsed, 16u);
    }
    {
        // With a selection: a box-sized picture, zero outside the mask, and the mask beside it.
        ClipDoc d(20, 12, 8);
        d.doc.SelectShape(4, 3, 12, 9, 2, 0);
        const RECT box = d.doc.SelBounds;
        const int bw = box.right - box.left + 1, bh = box.bottom - box.top + 1;
        ASSERT_TRUE(clip.Copy(d.doc));
        const Bytes b = blockOf(CF_DIB);
        const BITMAPINFOHEADER h = headerOf(b);
        EXPECT_EQ(h.biWidth, bw);
        EXPECT_EQ(h.biHeight, bh);
        const int line = TEditorClipboard::RowBytes(bw * 8);
        EXPECT_EQ(h.biSizeImage, static_cast<DWORD>(line * bh));
        ASSERT_EQ(b.size(), 40u + 1024u + static_cast<std::size_t>(line * bh));
        const Bytes mb = blockOf(clip.ClipFormat);
        const BITMAPINFOHEADER mh = headerOf(mb);
        EXPECT_EQ(mh.biWidth, bw);
        EXPECT_EQ(mh.biHeight, bh);
        EXPECT_EQ(mh.biBitCount, 1);
        const int maskLine = TEditorClipboard::RowBytes(bw);
        ASSERT_EQ(mb.size(), 52u + static_cast<std::size_t>(maskLine * bh));
        EXPECT_EQ(Bytes(mb.begin() + 48, mb.begin() + 52), Bytes(4, 0));
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x) {
                const int selected = d.mask(box.left + x, box.top + y);
                const unsigned char* row = b.data() + 40 + 1024 + static_cast<std::size_t>(bh - 1 - y) * line;
                EXPECT_EQ(row[x], selected ? d.pixel(box.left + x, box.top + y) : 0);
                const unsigned char* mrow = mb.data() + 52 + static_cast<std::size_t>(bh - 1 - y) * maskLine;
                EXPECT_EQ((mrow[x / 8] >> (7 - x % 8)) & 1, selected);
            }
    }
}

TEST(EditorClipboard, AFailedCopyKeepsWhatTheClipboardHeld) {
    ClipDoc d(40, 30, 24);
    d.doc.SelectShape(0, 0, 39, 29, 0, 0);
    putBlock(CF_UNICODETEXT, Bytes{'h', 0, 'i', 0, 0, 0});
    TEditorClipboard clip;
    {
        AllocationLimit limit(16);  // not even the mask of the box
        EXPECT_FALSE(clip.Copy(d.doc));
    }
    ASSERT_EQ(d.counting.Messages.size(), 1u);
    EXPECT_EQ(d.counting.Messages[0], EditorOutOfMemoryText);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_FALSE(clip.ClipMaskDib);

    // Cut does not delete what it could not copy.
    const UniqueDib before = copyOf(d.doc.Dib.get());
    {
        AllocationLimit limit(16);
        clip.Cut(d.doc);
    }
    EXPECT_TRUE(samePixels(d.doc.Dib.get(), before.get()));
    EXPECT_EQ(d.doc.UndoCount, 0);
}

TEST(EditorClipboard, AClipboardHeldByAnotherWindowIsLeftAlone) {
    TEditorClipboard clip(AllocateHWnd([](TMessage&) {}));
    ClipDoc d(6, 4, 24);
    ASSERT_TRUE(clip.Copy(d.doc));
    EXPECT_TRUE(clip.HasPicture());
    HWND other = AllocateHWnd([](TMessage&) {});
    ASSERT_TRUE(OpenClipboard(other));
    EXPECT_FALSE(clip.HasPicture());
    EXPECT_FALSE(clip.Copy(d.doc));
    const UniqueDib before = copyOf(d.doc.Dib.get());
    clip.Cut(d.doc);
    EXPECT_TRUE(samePixels(d.doc.Dib.get(), before.get()));
    EXPECT_FALSE(clip.PasteAsSelection(d.doc, false));
    EXPECT_EQ(d.doc.UndoCount, 0);
    CloseClipboard();
    DeallocateHWnd(other);
    EXPECT_TRUE(clip.HasPicture());
    clip.EmptyClipboard();
    EXPECT_FALSE(clip.HasPicture());
    DeallocateHWnd(clip.Owner());
}

TEST(EditorClipboard, PasteAsNewPictureReplacesTheDocument) {
    TEditorClipboard clip;
    ClipDoc src(7, 5, 24);
    ASSERT_TRUE(clip.Copy(src.doc));

    ClipDoc d(30, 20, 8);
    d.doc.SelectShape(1, 1, 9, 9, 0, 0);
    d.doc.SaveForUndo();
    d.doc.SaveForUndo();
    d.doc.ZoomIn(3, 3);
    ASSERT_TRUE(clip.PasteAsNewPicture(d.doc));
    EXPECT_TRUE(samePixels(d.doc.Dib.get(), src.doc.Dib.get()));
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_FALSE(d.doc.SelActive);
    EXPECT_EQ(DibWidth(d.doc.SelMask.get()), 7);
    EXPECT_EQ(DibHeight(d.doc.SelMask.get()), 5);
    EXPECT_EQ(d.selectedCount(), 0);
    EXPECT_EQ(d.doc.ZoomNum, 1);
    EXPECT_EQ(d.doc.ZoomDen, 1);
    EXPECT_EQ(d.view.Paint.cx, 7);
    EXPECT_EQ(d.doc.DocName, "");
    EXPECT_EQ(d.doc.Color1, 0);
    EXPECT_EQ(d.doc.Color2, 0xFFFFFF);

    // The editor window's own installer takes the picture when it is set.
    int calls = 0;
    clip.NewWindow = [&](TChildDocument&, UniqueDib p) {
        ++calls;
        EXPECT_EQ(DibWidth(p.get()), 7);
    };
    ASSERT_TRUE(clip.PasteAsNewPicture(d.doc));
    EXPECT_EQ(calls, 1);

    clearClipboard();
    EXPECT_FALSE(clip.PasteAsNewPicture(d.doc));
    EXPECT_EQ(calls, 1);
}

TEST(EditorClipboard, DamagedPictureBlocksAreNoPicture) {
    const Bytes row24(12, 0x40);
    const std::vector<std::pair<const char*, Bytes>> damaged = {
        {"shorter than a header", Bytes(39, 0)},
        {"header size past the block", [] { Bytes b = dib(1, 1, 24, BI_RGB, 0, 40, {}, {}, Bytes(4, 0)); b[0] = 200; return b; }()},
        {"header size below 40", [] { Bytes b = dib(1, 1, 24, BI_RGB, 0, 40, {}, {}, Bytes(4, 0)); b[0] = 12; return b; }()},
        {"one row byte missing", dib(4, 3, 24, BI_RGB, 0, 40, {}, {}, Bytes(35, 0))},
        {"huge width", dib(INT_MAX, 1, 24, BI_RGB, 0, 40, {}, {}, row24)},
        {"huge height", dib(4, INT_MAX, 24, BI_RGB, 0, 40, {}, {}, row24)},
        {"most negative height", dib(4, INT_MIN, 24, BI_RGB, 0, 40, {}, {}, row24)},
        {"zero width", dib(0, 1, 24, BI_RGB, 0, 40, {}, {}, row24)},
        {"zero height", dib(4, 0, 24, BI_RGB, 0, 40, {}, {}, row24)},
        {"huge colour count", dib(4, 1, 8, BI_RGB, 0xFFFFFFFFu, 40, {}, {}, Bytes(1024 + 4, 0))},
        {"table past the block", dib(4, 1, 8, BI_RGB, 0, 40, {}, Bytes(1020, 0))},
        {"run-length packed", dib(4, 1, 8, BI_RLE8, 0, 40, {}, Bytes(1024, 0), Bytes(4, 0))},
        {"packed 4-bit runs", dib(4, 1, 4, BI_RLE4, 0, 40, {}, Bytes(64, 0), Bytes(4, 0))},
        {"bit masks at 24 bits", dib(4, 1, 24, BI_BITFIELDS, 0, 40, le32s({0xFF0000, 0xFF00, 0xFF}), {}, row24)},
        {"2 bits per pixel", dib(4, 1, 2, BI_RGB, 0, 40, {}, Bytes(16, 0), Bytes(4, 0))},
        {"64 bits per pixel", dib(1, 1, 64, BI_RGB, 0, 40, {}, {}, Bytes(8, 0))},
        {"a mask with a gap", dib(2, 1, 16, BI_BITFIELDS, 0, 40, le32s({0xF00F, 0x0F0, 0x00}), {}, Bytes(4, 0))},
        {"a mask past 16 bits", dib(2, 1, 16, BI_BITFIELDS, 0, 40, le32s({0x1F0000, 0x7E0, 0x1F}), {}, Bytes(4, 0))},
        {"masks past the block", dib(2, 1, 16, BI_BITFIELDS, 0, 40, le32s({0xF800, 0x7E0}))},
    };
    TEditorClipboard clip;
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        UniqueDib out;
        EXPECT_EQ(editor::ReadClipDib(bytes.data(), bytes.size(), out), editor::TClipRead::NotAPicture);
        EXPECT_FALSE(out);
        // Through the clipboard: nothing pasted, no message, no undo step.
        ClipDoc d(8, 8, 24);
        const UniqueDib before = copyOf(d.doc.Dib.get());
        putBlock(CF_DIB, bytes);
        EXPECT_FALSE(clip.PasteAsSelection(d.doc, false));
        EXPECT_FALSE(clip.PasteAsNewPicture(d.doc));
        EXPECT_FALSE(d.doc.FloatDib);
        EXPECT_EQ(d.doc.UndoCount, 0);
        EXPECT_FALSE(d.doc.Modified);
        EXPECT_TRUE(samePixels(d.doc.Dib.get(), before.get()));
        EXPECT_TRUE(d.counting.Messages.empty());
    }
}

TEST(EditorClipboard, ForeignLayoutsAreReadOrConverted) {
    UniqueDib out;
    {
        // 16 bits, 5-5-5 without masks: 0x7C00 is full red, 0x001F full blue, 0x0200 green 16 of 31.
        const Bytes b = dib(3, 1, 16, BI_RGB, 0, 40, {}, {}, Bytes{0x00, 0x7C, 0x1F, 0x00, 0x00, 0x02, 0, 0});
        ASSERT_EQ(editor::ReadClipDib(b.data(), b.size(), out), editor::TClipRead::Picture);
        EXPECT_EQ(DibBitCount(out.get()), 24);
        EXPECT_EQ(getpixel(out.get(), 0, 0), 0x0000FF);
        EXPECT_EQ(getpixel(out.get(), 1, 0), 0xFF0000);
        EXPECT_EQ(getpixel(out.get(), 2, 0), (16 * 255 + 15) / 31 << 8);
    }
    {
        // 16 bits, 5-6-5 masks after the 40-byte header.
        const Bytes b = dib(2, 1, 16, BI_BITFIELDS, 0, 40, le32s({0xF800, 0x07E0, 0x001F}), {},
                            Bytes{0xE0, 0x07, 0x00, 0xF8});
        ASSERT_EQ(editor::ReadClipDib(b.data(), b.size(), out), editor::TClipRead::Picture);
        EXPECT_EQ(getpixel(out.get(), 0, 0), 0x00FF00);
        EXPECT_EQ(getpixel(out.get(), 1, 0), 0x0000FF);
    }
    {
        // 32 bits, plain, two rows stored top-down (negative height).
        const Bytes b = dib(1, -2, 32, BI_RGB, 0, 40, {}, {}, Bytes{0x10, 0x20, 0x30, 0xFF, 0x01, 0x02, 0x03, 0x00});
        ASSERT_EQ(editor::ReadClipDib(b.data(), b.size(), out), editor::TClipRead::Picture);
        EXPECT_EQ(DibHeight(out.get()), 2);
        EXPECT_EQ(getpixel(out.get(), 0, 0), 0x102030);
        EXPECT_EQ(getpixel(out.get(), 0, 1), 0x010203);
    }
    {
        // 32 bits with masks inside a 124-byte header: blue in the high byte.
        Bytes b = dib(1, 1, 32, BI_BITFIELDS, 0, 124, {}, {}, Bytes{0x00, 0x33, 0x22, 0x11});
        const Bytes masks = le32s({0x0000FF00, 0x00FF0000, 0xFF000000});
        std::copy(masks.begin(), masks.end(), b.begin() + 40);
        ASSERT_EQ(editor::ReadClipDib(b.data(), b.size(), out), editor::TClipRead::Picture);
        EXPECT_EQ(getpixel(out.get(), 0, 0), 0x112233);
    }
    {
        // A 24-bit picture with a colour table of two entries that the rows follow.
        const Bytes b = dib(1, 1, 24, BI_RGB, 2, 40, {}, Bytes(8, 0xEE), Bytes{0x01, 0x02, 0x03, 0x00});
        ASSERT_EQ(editor::ReadClipDib(b.data(), b.size(), out), editor::TClipRead::Picture);
        EXPECT_EQ(getpixel(out.get(), 0, 0), 0x010203);
    }
    {
        // An 8-bit picture with a table of three entries; the fourth index shows black.
        const Bytes table{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
        const Bytes b = dib(4, 1, 8, BI_RGB, 3, 40, {}, table, Bytes{0, 1, 2, 3});
        ASSERT_EQ(editor::ReadClipDib(b.data(), b.size(), out), editor::TClipRead::Picture);
        EXPECT_EQ(DibBitCount(out.get()), 8);
        const RGBQUAD* t = out.get().Info->bmiColors;
        EXPECT_EQ(t[2].rgbBlue, 7);
        EXPECT_EQ(t[2].rgbRed, 9);
        EXPECT_EQ(t[3].rgbRed | t[3].rgbGreen | t[3].rgbBlue, 0);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(getpixel(out.get(), x, 0), x);
    }
    {
        // A sound block too large for the memory left: out of memory, said once.
        const Bytes b = dib(64, 64, 24, BI_RGB, 0, 40, {}, {}, Bytes(64 * 64 * 3, 0));
        ClipDoc d(8, 8, 24);
        putBlock(CF_DIB, b);
        TEditorClipboard clip;
        {
            AllocationLimit limit(1000);
            EXPECT_FALSE(clip.PasteAsSelection(d.doc, false));
        }
        ASSERT_EQ(d.counting.Messages.size(), 1u);
        EXPECT_EQ(d.counting.Messages[0], EditorOutOfMemoryText);
        EXPECT_FALSE(d.doc.FloatDib);
    }
}

TEST(EditorClipboard, TheMaskBlockIsTakenOnlyAtThePicturesSize) {
    TEditorClipboard clip;
    ClipDoc src(10, 8, 24);
    src.doc.SelectShape(1, 1, 6, 5, 0, 0);
    ASSERT_TRUE(clip.Copy(src.doc));
    const Bytes picture = blockOf(CF_DIB);
    const Bytes mask = blockOf(clip.ClipFormat);
    ASSERT_EQ(headerOf(mask).biWidth, 6);

    auto pasteWith = [&](const Bytes& m) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        SetClipboardData(CF_DIB, platform::globalFromBytes(picture.data(), picture.size()));
        SetClipboardData(clip.ClipFormat, platform::globalFromBytes(m.data(), m.size()));
        CloseClipboard();
    };
    const std::vector<std::pair<const char*, Bytes>> refused = {
        {"one row short", Bytes(mask.begin(), mask.end() - 4)},
        {"only the head", Bytes(mask.begin(), mask.begin() + 52)},
        {"shorter than the head", Bytes(mask.begin(), mask.begin() + 30)},
        {"another width", [&] { Bytes b = mask; b[4] = 7; return b; }()},
        {"another height", [&] { Bytes b = mask; b[8] = 4; return b; }()},
        {"8 bits", [&] { Bytes b = mask; b[14] = 8; return b; }()},
    };
    for (const auto& [what, m] : refused) {
        SCOPED_TRACE(what);
        ClipDoc d(12, 12, 24);
        pasteWith(m);
        ASSERT_TRUE(clip.PasteAsSelection(d.doc, false));
        EXPECT_FALSE(d.doc.FloatUseMask);
        EXPECT_FALSE(clip.ClipMaskDib);
    }
    // A block with a lying image size still gives a mask counted from width and height.
    Bytes lying = mask;
    lying[20] = 0xFF;
    lying[21] = 0xFF;
    lying[22] = 0xFF;
    ClipDoc d(12, 12, 24);
    pasteWith(lying);
    ASSERT_TRUE(clip.PasteAsSelection(d.doc, false));
    EXPECT_TRUE(d.doc.FloatUseMask);
    EXPECT_EQ(getpixel(d.doc.FloatMask.get(), 5, 4), 1);
}

TEST(EditorClipboard, PastesTakeTheDocumentsDepthAndPalette) {
    TEditorClipboard clip;
    // A 24-bit picture into an 8-bit document: exact table colours find their entries, a
    // colour near entry 200 finds it too.
    ClipDoc pal(filled(4, 4, 8, 0));
    const RGBQUAD* t = pal.doc.Dib.get().Info->bmiColors;
    auto packed = [&](int i, int delta) { return (t[i].rgbRed + delta) | t[i].rgbGreen << 8 | t[i].rgbBlue << 16; };
    ClipDoc rgb(makePicture(3, 1, 24, [&](int x, int) { return x == 0 ? packed(17, 0) : x == 1 ? packed(200, 1) : packed(3, 0); }));
    ASSERT_TRUE(clip.Copy(rgb.doc));
    ASSERT_TRUE(clip.PasteAsSelection(pal.doc, false));
    ASSERT_EQ(DibBitCount(pal.doc.FloatDib.get()), 8);
    EXPECT_EQ(getpixel(pal.doc.FloatDib.get(), 0, 0), 17);
    EXPECT_EQ(getpixel(pal.doc.FloatDib.get(), 1, 0), 200);
    EXPECT_EQ(getpixel(pal.doc.FloatDib.get(), 2, 0), 3);

    // An 8-bit picture into a 24-bit document: the entries' colours.
    ClipDoc eight(makePicture(2, 1, 8, [](int x, int) { return x ? 250 : 9; }));
    ClipDoc tc(filled(4, 4, 24, 0));
    ASSERT_TRUE(clip.Copy(eight.doc));
    ASSERT_TRUE(clip.PasteAsSelection(tc.doc, false));
    const RGBQUAD* e = eight.doc.Dib.get().Info->bmiColors;
    EXPECT_EQ(getpixel(tc.doc.FloatDib.get(), 0, 0), e[9].rgbRed | e[9].rgbGreen << 8 | e[9].rgbBlue << 16);
    EXPECT_EQ(getpixel(tc.doc.FloatDib.get(), 1, 0), e[250].rgbRed | e[250].rgbGreen << 8 | e[250].rgbBlue << 16);

    // A 1-bit picture from elsewhere with white first: same depth, but the indexes swap.
    const Bytes white1 = dib(8, 1, 1, BI_RGB, 2, 40, {}, Bytes{255, 255, 255, 0, 0, 0, 0, 0}, Bytes{0xF0, 0, 0, 0});
    putBlock(CF_DIB, white1);
    ClipDoc mono(filled(8, 2, 1, 0));
    ASSERT_TRUE(clip.PasteAsSelection(mono.doc, false));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(getpixel(mono.doc.FloatDib.get(), x, 0), x < 4 ? 0 : 1) << x;
}

TEST(EditorClipboard, ATransparentPasteLeavesColourTwoOut) {
    TEditorClipboard clip;
    ClipDoc src(makePicture(4, 1, 24, [](int x, int) { return x % 2 ? 0xFFFFFF : 0x123456; }));
    ASSERT_TRUE(clip.Copy(src.doc));
    ClipDoc d(makePicture(6, 3, 24, [](int, int) { return 0x00AA00; }));
    d.doc.setcol2(0xFFFFFF);
    ASSERT_TRUE(clip.PasteAsSelection(d.doc, true));
    EXPECT_TRUE(d.doc.FloatTransparent);
    d.doc.PaintBox1MouseMove(0, 1, 1);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 1, 1);
    for (int x = 0; x < 6; ++x) {
        const bool pasted = x >= 1 && x <= 4 && (x - 1) % 2 == 0;
        EXPECT_EQ(d.pixel(x, 1), pasted ? 0x123456 : 0x00AA00) << x;
        EXPECT_EQ(d.mask(x, 1), pasted ? 1 : 0) << x;
    }
}

TEST(EditorClipboard, WholeMaskCommands) {
    TEditorClipboard clip;
    ClipDoc d(13, 7, 4);
    clip.SelectAll(d.doc);
    EXPECT_EQ(d.selectedCount(), 13 * 7);
    EXPECT_TRUE(d.doc.SelActive);
    EXPECT_EQ(d.doc.SelBounds.right, 12);
    EXPECT_EQ(d.doc.UndoCount, 1);
    clip.InvertSelection(d.doc);
    EXPECT_EQ(d.selectedCount(), 0);
    EXPECT_FALSE(d.doc.SelActive);
    d.doc.SelectShape(2, 2, 5, 4, 0, 0);
    clip.InvertSelection(d.doc);
    EXPECT_EQ(d.selectedCount(), 13 * 7 - 4 * 3);
    EXPECT_EQ(d.mask(3, 3), 0);
    EXPECT_EQ(d.mask(0, 0), 1);
    const int menus = d.counting.MenuUpdates;
    clip.SelectNone(d.doc);
    EXPECT_EQ(d.selectedCount(), 0);
    EXPECT_FALSE(d.doc.SelActive);
    EXPECT_GT(d.counting.MenuUpdates, menus);
    EXPECT_EQ(d.doc.UndoCount, 3);
    // Undo brings the inverted selection back.
    d.doc.LoadFromUndo();
    EXPECT_EQ(d.selectedCount(), 13 * 7 - 4 * 3);

    // A placed floating selection is merged first.
    d.doc.SelectShape(1, 1, 3, 3, 0, 0);
    d.doc.MakeSelectionDragable();
    ASSERT_TRUE(d.doc.DragActive);
    clip.SelectAll(d.doc);
    EXPECT_FALSE(d.doc.DragActive);
    EXPECT_FALSE(d.doc.FloatDib);
    EXPECT_EQ(d.selectedCount(), 13 * 7);
}

TEST(EditorClipboard, DeleteFillsWithColourTwoOrTakesTheFloatAway) {
    TEditorClipboard clip;
    {
        ClipDoc d(10, 6, 8);
        d.doc.setcol2(5);
        const UniqueDib before = copyOf(d.doc.Dib.get());
        d.doc.SelectShape(2, 1, 6, 4, 2, 0);
        clip.Delete(d.doc);
        EXPECT_EQ(d.doc.UndoCount, 1);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(d.pixel(x, y), d.mask(x, y) ? 5 : getpixel(before.get(), x, y)) << x << "," << y;
        clip.SelectNone(d.doc);
        clip.Delete(d.doc);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x) EXPECT_EQ(d.pixel(x, y), 5);
    }
    {
        // A pasted picture placed and then deleted leaves the picture as it was.
        ClipDoc src(4, 4, 24);
        ASSERT_TRUE(clip.Copy(src.doc));
        ClipDoc d(10, 10, 24);
        const UniqueDib before = copyOf(d.doc.Dib.get());
        ASSERT_TRUE(clip.PasteAsSelection(d.doc, false));
        d.doc.PaintBox1MouseMove(0, 3, 3);
        d.doc.PaintBox1MouseDown(mbLeft, 0, 3, 3);
        ASSERT_TRUE(d.doc.DragActive);
        ASSERT_FALSE(samePixels(d.doc.Dib.get(), before.get()));
        clip.Delete(d.doc);
        EXPECT_TRUE(samePixels(d.doc.Dib.get(), before.get()));
        EXPECT_FALSE(d.doc.FloatDib);
        EXPECT_FALSE(d.doc.SelActive);
        EXPECT_EQ(d.selectedCount(), 0);
    }
    {
        // A paste still following the mouse is dropped, and nothing else is cleared.
        ClipDoc src(4, 4, 24);
        ASSERT_TRUE(clip.Copy(src.doc));
        ClipDoc d(10, 10, 24);
        const UniqueDib before = copyOf(d.doc.Dib.get());
        ASSERT_TRUE(clip.PasteAsSelection(d.doc, false));
        d.doc.PaintBox1MouseMove(0, 3, 3);
        clip.Delete(d.doc);
        EXPECT_TRUE(samePixels(d.doc.Dib.get(), before.get()));
        EXPECT_FALSE(d.doc.FloatDib);
        EXPECT_EQ(d.doc.ToolState, 0);
    }
    {
        // Cut: the selection goes to the clipboard and leaves colour 2 behind.
        ClipDoc d(8, 8, 24);
        d.doc.setcol2(0x0000FF);
        const UniqueDib before = copyOf(d.doc.Dib.get());
        d.doc.SelectShape(1, 1, 3, 3, 0, 0);
        clip.Cut(d.doc);
        EXPECT_EQ(d.pixel(2, 2), 0x0000FF);
        EXPECT_EQ(d.pixel(5, 5), getpixel(before.get(), 5, 5));
        UniqueDib back;
        const Bytes b = blockOf(CF_DIB);
        ASSERT_EQ(editor::ReadClipDib(b.data(), b.size(), back), editor::TClipRead::Picture);
        EXPECT_EQ(DibWidth(back.get()), 3);
        EXPECT_EQ(getpixel(back.get(), 1, 1), getpixel(before.get(), 2, 2));
    }
}
