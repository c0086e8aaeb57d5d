// The GIF picture class.
#include "kit/KitGIF.h"

#include "kit/AniFile.h"
#include "kit/GifLzw.h"
#include "platform/clipboard.h"
#include "platform/globalmem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>

bool GIFTolerantReading = true;
TMappingMethod GIFDefaultReduction = mmHistogram;
std::int64_t GIFMaxFramePixels = std::int64_t(1) << 28;

namespace {

const char* const SGIFVersion = "Unknown GIF version";
const char* const SGIFEncodeError = "GIF image encoding error";
const char* const SGIFCorrupt = "GIF encoded data is corrupt";
const char* const SGIFColors = "Wrong number of colors; must be a power of 2";
const char* const SGIFNoData = "No GIF Data to write";
const char* const SGIFSize = "Cannot change the Size of a GIF image";

[[noreturn]] void readError() { throw EReadError(SReadError); }

// Bytes read from a block of GIF data; a premature end raises the read error.
class ByteReader {
public:
    ByteReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}
    bool atEnd() const { return pos_ >= size_; }
    std::size_t left() const { return size_ - pos_; }
    BYTE byte() {
        if (pos_ >= size_) readError();
        return data_[pos_++];
    }
    WORD word() {
        const BYTE lo = byte();
        return static_cast<WORD>(lo | (byte() << 8));
    }
    std::vector<BYTE> bytes(std::size_t n) {
        if (n > left()) readError();
        std::vector<BYTE> v(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return v;
    }
    // The next byte that is not 0; -1 at the end of the data.
    int nextNonZero() {
        while (pos_ < size_ && data_[pos_] == 0) ++pos_;
        return pos_ < size_ ? data_[pos_++] : -1;
    }
    // Data sub-blocks up to their terminator, one string each.
    std::vector<String> subBlocks() {
        std::vector<String> blocks;
        for (;;) {
            const BYTE n = byte();
            if (!n) return blocks;
            if (n > left()) readError();
            blocks.emplace_back(reinterpret_cast<const char*>(data_ + pos_), n);
            pos_ += n;
        }
    }
    const BYTE* here() const { return data_ + pos_; }
    void skip(std::size_t n) { pos_ += std::min(n, left()); }

private:
    const BYTE* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void putWord(std::vector<BYTE>& out, int v) {
    out.push_back(static_cast<BYTE>(v & 0xFF));
    out.push_back(static_cast<BYTE>((v >> 8) & 0xFF));
}

// Bits for a table of `count` entries: the smallest n >= 1 with 2^n >= count.
int bitsFor(int count) {
    int n = 1;
    while ((1 << n) < count && n < 8) ++n;
    return n;
}

// Bits of a table of exactly 2^n entries; 0 when the count is no power of 2 up to 256.
int exactBits(int count) {
    for (int n = 1; n <= 8; ++n)
        if (count == 1 << n) return n;
    return 0;
}

TGIFColorTable readTable(ByteReader& in, int entries) {
    TGIFColorTable t;
    t.Count = entries;
    for (int i = 0; i < entries; ++i) {
        t.Colors[static_cast<std::size_t>(i)].Red = in.byte();
        t.Colors[static_cast<std::size_t>(i)].Green = in.byte();
        t.Colors[static_cast<std::size_t>(i)].Blue = in.byte();
    }
    return t;
}

// A table of exactly 2^bits entries, padded with black.
void writeTable(std::vector<BYTE>& out, const TGIFColorTable& t, int bits) {
    for (int i = 0; i < (1 << bits); ++i) {
        const TGIFColorItem c = i < t.Count ? t.Colors[static_cast<std::size_t>(i)] : TGIFColorItem{};
        out.push_back(c.Red);
        out.push_back(c.Green);
        out.push_back(c.Blue);
    }
}

void writeSubBlocks(std::vector<BYTE>& out, const std::vector<String>& blocks) {
    for (const String& b : blocks) {
        for (std::size_t at = 0; at < b.size(); at += 255) {
            const std::size_t n = std::min<std::size_t>(255, b.size() - at);
            out.push_back(static_cast<BYTE>(n));
            out.insert(out.end(), b.begin() + static_cast<std::ptrdiff_t>(at),
                       b.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
    }
    out.push_back(0);
}

bool hasText(const TExtension& e) {
    return std::any_of(e.Data.begin(), e.Data.end(), [](const String& s) { return !s.empty(); });
}

}  // namespace

// Colour tables

TColor TGIFColorTable::Color(int index) const {
    const TGIFColorItem& c = Colors[static_cast<std::size_t>(std::clamp(index, 0, 255))];
    return static_cast<TColor>(c.Red | (c.Green << 8) | (c.Blue << 16));
}

int TGIFColorTable::IndexOf(TColor color) const {
    const COLORREF rgb = ColorToRGB(color);
    for (int i = 0; i < Count; ++i)
        if (static_cast<COLORREF>(Color(i)) == rgb) return i;
    return -1;
}

BYTE TExtension::Label() const {
    switch (Kind) {
    case etGraphicControl: return 0xF9;
    case etPlainText: return 0x01;
    case etApplication: return 0xFF;
    default: return 0xFE;
    }
}

// Registration

namespace {

UINT gifClipboardFormat() {
    static const UINT format = RegisterClipboardFormatA(CF_GIF_NAME);
    return format;
}

}  // namespace

void RegisterKitGIF() {
    TPicture::RegisterFileFormat<TGIFImage>("gif", "CompuServe GIF Image", "GIF8");
    TPicture::RegisterClipboardFormat(gifClipboardFormat(), RegisterClass<TGIFImage>());
}

void UnregisterKitGIF() {
    if (TPersistentClass c = GetClass("TGIFImage")) TPicture::UnregisterGraphicClass(c);
}

// TGIFFrame

TGIFFrame::TGIFFrame(TGIFImage* owner) : FOwner(owner), FItem(std::make_shared<TGIFItem>()) {}
TGIFFrame::~TGIFFrame() = default;

const TGIFColorTable& TGIFFrame::ColorMap() const { return FItem->ColorMap; }

void TGIFFrame::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TGIFFrame*>(Source)) {
        if (f == this) return;
        FItem = f->FItem;
        FBitmap.reset();
        if (f->FBitmap) {
            FBitmap = std::make_unique<TBitmap>();
            FBitmap->Assign(f->FBitmap.get());
            WatchBitmap();
        }
        FExtensions = f->FExtensions;
        FTopLeft = f->FTopLeft;
        FInterlaced = f->FInterlaced;
        FCorrupted = f->FCorrupted;
        FGrayScale = f->FGrayScale;
        FTransparentColor = f->FTransparentColor;
        FAnimateInterval = f->FAnimateInterval;
        FDisposalMethod = f->FDisposalMethod;
        FHasLocalColorMap = f->FHasLocalColorMap;
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->Assign(g);
        if (auto* b = dynamic_cast<TBitmap*>(g); b && b->Transparent()) FTransparentColor = b->TransparentColor();
        SetBitmap(bitmap.get());
        return;
    }
    TPersistent::Assign(Source);
}

TBitmap* TGIFFrame::Bitmap() {
    if (!FBitmap && HasData()) Decode();
    if (!FBitmap) {
        FBitmap = std::make_unique<TBitmap>();
        WatchBitmap();
    }
    return FBitmap.get();
}

void TGIFFrame::SetBitmap(TBitmap* bitmap) {
    auto b = std::make_unique<TBitmap>();
    if (bitmap) b->Assign(bitmap);
    FBitmap = std::move(b);
    DropData();
    WatchBitmap();
}

void TGIFFrame::DropData() {
    auto item = std::make_shared<TGIFItem>();
    if (FBitmap) {
        item->Width = FBitmap->Width();
        item->Height = FBitmap->Height();
    }
    FItem = std::move(item);
    FCorrupted = false;
    FInterlaced = false;
}

void TGIFFrame::WatchBitmap() {
    // Drawing on the bitmap makes the encoded data stale.
    auto drop = [this](TObject*) {
        if (HasData()) DropData();
    };
    FBitmap->OnChange = TNotifyEvent(drop);
    FBitmap->Canvas()->OnChange = TNotifyEvent(drop);
}

void TGIFFrame::Decode() {
    const TGIFItem& item = *FItem;
    const int bpp = item.BitsPerPixel;
    if (bpp < 1 || bpp > 8) throw EInvalidGraphicOperation(SGIFColors);
    const int dibBits = bpp == 1 ? 1 : bpp <= 4 ? 4 : 8;
    const std::int64_t w = item.Width, h = item.Height;
    if (w <= 0 || h <= 0 || w * h > GIFMaxFramePixels) throw EInvalidGraphicOperation(SGIFCorrupt);
    const std::int64_t rowBytes = ((w * dibBits + 31) / 32) * 4;
    const std::int64_t total = rowBytes * h;
    std::vector<BYTE> info = NewDibInfo(static_cast<int>(w), static_cast<int>(h), dibBits);
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader.biSizeImage = static_cast<DWORD>(total);
    auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < item.ColorMap.Count && i < (1 << dibBits); ++i) {
        const TGIFColorItem& c = item.ColorMap.Colors[static_cast<std::size_t>(i)];
        table[i] = RGBQUAD{c.Blue, c.Green, c.Red, 0};
    }
    std::vector<BYTE> rows;
    try {
        rows.assign(static_cast<std::size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(SOutOfMemory);
    }
    gif::FrameRows target{rows.data(), static_cast<int>(w), static_cast<int>(h), dibBits, static_cast<int>(rowBytes),
                          FInterlaced};
    FOwner->DecodeProgress(psStarting, 0, String());
    gif::DecodeResult result;
    try {
        result = gif::DecodeLzw(item.ImageData.data(), item.ImageData.size(), bpp, target, GIFTolerantReading,
                                [this](int percent) { FOwner->DecodeProgress(psRunning, percent, String()); });
    } catch (const Exception& e) {
        FOwner->DecodeProgress(psEnding, 100, e.Message);
        throw;
    }
    if (result == gif::DecodeResult::Corrupted) FCorrupted = true;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->WriteDib(bi, rows.data());
    if (!bitmap->Handle()) throw EOutOfMemory(SOutOfMemory);
    FBitmap = std::move(bitmap);
    WatchBitmap();
    FOwner->DecodeProgress(psEnding, 100, String());
}

void TGIFFrame::Encode() {
    if (!FBitmap || FBitmap->Empty()) throw EInvalidGraphicOperation(SGIFNoData);
    TBitmap* bitmap = FBitmap.get();
    const TPixelFormat pf = bitmap->PixelFormat();
    std::unique_ptr<TMemoryStream> file;
    if (pf == pf1bit || pf == pf4bit || pf == pf8bit) {
        file = BitmapToDibStream(bitmap, pf, mmHistogram);
    } else {
        const TMappingMethod method = FGrayScale ? mmGrayscale : GIFDefaultReduction;
        file = BitmapToDibStream(bitmap, pf8bit, method);
        if (method == mmGrayscale) FGrayScale = true;
    }
    // The bitmap file image: its colour table and rows.
    const auto* base = static_cast<const BYTE*>(file->Memory());
    const std::size_t size = static_cast<std::size_t>(file->Size());
    if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) throw EInvalidGraphicOperation(SGIFEncodeError);
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER ih;
    std::memcpy(&fh, base, sizeof fh);
    std::memcpy(&ih, base + sizeof fh, sizeof ih);
    const int bits = ih.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8) throw EInvalidGraphicOperation(SGIFEncodeError);
    const int colors = ih.biClrUsed && ih.biClrUsed < (1u << bits) ? static_cast<int>(ih.biClrUsed) : 1 << bits;
    const std::size_t tableAt = sizeof fh + ih.biSize;
    const int w = ih.biWidth, h = ih.biHeight < 0 ? -ih.biHeight : ih.biHeight;
    const std::size_t rowBytes = static_cast<std::size_t>(DibRowBytes(w, bits));
    if (tableAt + static_cast<std::size_t>(colors) * 4 > size || fh.bfOffBits > size ||
        rowBytes * static_cast<std::size_t>(h) > size - fh.bfOffBits)
        throw EInvalidGraphicOperation(SGIFEncodeError);
    auto item = std::make_shared<TGIFItem>();
    item->ColorMap.Count = colors;
    for (int i = 0; i < colors; ++i) {
        const BYTE* q = base + tableAt + static_cast<std::size_t>(i) * 4;
        item->ColorMap.Colors[static_cast<std::size_t>(i)] = TGIFColorItem{q[2], q[1], q[0]};
    }
    gif::FrameRows rows{const_cast<BYTE*>(base + fh.bfOffBits), w, h, bits, static_cast<int>(rowBytes), false};
    FInterlaced = false;
    FOwner->Progress(FOwner, psStarting, 0, false, RECT{0, 0, 0, 0}, String());
    item->ImageData = gif::EncodeLzw(rows, [this](int percent) {
        FOwner->Progress(FOwner, psRunning, static_cast<BYTE>(percent), false, RECT{0, 0, 0, 0}, String());
    });
    FOwner->Progress(FOwner, psEnding, 100, false, RECT{0, 0, 0, 0}, String());
    item->Width = w;
    item->Height = h;
    item->BitsPerPixel = bitsFor(colors);
    TGIFData& data = FOwner->UniqueData();
    if (data.ColorMap.Count > 0) {
        FHasLocalColorMap = true;
    } else {
        data.ColorMap = item->ColorMap;
        data.BitsPerPixel = item->BitsPerPixel;
        data.ColorResBits = item->BitsPerPixel;
        FHasLocalColorMap = false;
    }
    FItem = std::move(item);
    FCorrupted = false;
    FOwner->FScreenWidth = std::max<int>(FOwner->FScreenWidth, FTopLeft.x + w);
    FOwner->FScreenHeight = std::max<int>(FOwner->FScreenHeight, FTopLeft.y + h);
}

// TGIFImage

TGIFImage::TGIFImage() : FData(std::make_shared<TGIFData>()) { FTransparent = true; }
TGIFImage::~TGIFImage() = default;

void TGIFImage::Clear() {
    FData = std::make_shared<TGIFData>();
    FFrames.clear();
    FVersion = gvNone;
    FFrameIndex = -1;
    FScreenWidth = FScreenHeight = 0;
    FBackgroundColor = clNone;
    FRepeatCount = 1;
    FLooping = false;
}

TGIFFrame* TGIFImage::Frames(int index) const {
    if (index < 0 || index >= Count()) throw EListError(SListIndexError, {index});
    return FFrames[static_cast<std::size_t>(index)].get();
}

TGIFFrame* TGIFImage::CurrentFrame() const {
    if (FFrames.empty()) return nullptr;
    return FFrames[static_cast<std::size_t>(FFrameIndex >= 0 && FFrameIndex < Count() ? FFrameIndex : 0)].get();
}

void TGIFImage::SetFrameIndex(int index) {
    if (index < -1 || index >= Count()) throw EListError(SListIndexError, {index});
    if (index == FFrameIndex) return;
    FFrameIndex = index;
    Changed();
}

int TGIFImage::AddFrame(TGraphic* graphic) {
    auto frame = std::make_unique<TGIFFrame>(this);
    if (auto* g = dynamic_cast<TGIFImage*>(graphic)) {
        if (TGIFFrame* f = g->CurrentFrame()) frame->Assign(f->Bitmap());
    } else if (graphic) {
        frame->Assign(graphic);
    }
    FFrames.push_back(std::move(frame));
    if (FVersion == gvNone) FVersion = gv87a;
    if (FFrames.size() > 1) FVersion = gv89a;
    FFrameIndex = Count() - 1;
    Changed();
    return FFrameIndex;
}

void TGIFImage::DeleteFrame(int index) {
    Frames(index);
    FFrames.erase(FFrames.begin() + index);
    if (FFrameIndex >= Count()) FFrameIndex = Count() - 1;
    Changed();
}

void TGIFImage::DecodeAllFrames() {
    for (auto& f : FFrames) f->Bitmap();
}

void TGIFImage::EncodeAllFrames() {
    for (auto& f : FFrames)
        if (!f->HasData()) f->Encode();
}

bool TGIFImage::Empty() const {
    const TGIFFrame* f = CurrentFrame();
    return !f || (!f->HasBitmap() && !f->HasData());
}

int TGIFImage::Width() const {
    TGIFFrame* f = CurrentFrame();
    return f && !Empty() ? f->Bitmap()->Width() : 0;
}

int TGIFImage::Height() const {
    TGIFFrame* f = CurrentFrame();
    return f && !Empty() ? f->Bitmap()->Height() : 0;
}

void TGIFImage::SetWidth(int) { throw EInvalidGraphicOperation(SGIFSize); }
void TGIFImage::SetHeight(int) { throw EInvalidGraphicOperation(SGIFSize); }

HPALETTE TGIFImage::Palette() {
    TGIFFrame* f = CurrentFrame();
    return f && !Empty() ? f->Bitmap()->Palette() : nullptr;
}

bool TGIFImage::GetTransparent() const {
    if (!FTransparent) return false;
    return std::any_of(FFrames.begin(), FFrames.end(), [](const auto& f) { return f->TransparentColor() != clNone; });
}

TGIFData& TGIFImage::UniqueData() {
    if (FData.use_count() > 1) FData = std::make_shared<TGIFData>(*FData);
    return *FData;
}

bool TGIFImage::Equals(TGraphic* graphic) {
    auto* g = dynamic_cast<TGIFImage*>(graphic);
    return g && g->FData == FData;
}

void TGIFImage::Draw(TCanvas* canvas, const RECT& r) {
    TGIFFrame* f = CurrentFrame();
    if (!f || Empty() || !canvas) return;
    TBitmap* b = f->Bitmap();
    if (b->Empty()) return;
    if (Transparent() && f->TransparentColor() != clNone) {
        canvas->BrushCopy(r, b, RECT{0, 0, b->Width(), b->Height()}, f->TransparentColor());
        return;
    }
    if (b->PixelFormat() == pf1bit) {
        // Through the colour table: a blit would give a monochrome bitmap the
        // destination's text and background colours.
        std::vector<BYTE> info, bits;
        if (b->ReadDib(info, bits))
            StretchDIBits(canvas->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, b->Width(),
                          b->Height(), bits.data(), reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
                          canvas->CopyMode);
        return;
    }
    StretchBlt(canvas->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, b->Canvas()->Handle(), 0, 0,
               b->Width(), b->Height(), canvas->CopyMode);
}

void TGIFImage::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (!Source) {
        Clear();
        Changed();
        return;
    }
    if (auto* g = dynamic_cast<TGIFImage*>(Source)) {
        Clear();
        FData = g->FData;
        for (const auto& f : g->FFrames) {
            auto copy = std::make_unique<TGIFFrame>(this);
            copy->Assign(f.get());
            FFrames.push_back(std::move(copy));
        }
        FFrameIndex = g->FFrameIndex;
        FScreenWidth = g->FScreenWidth;
        FScreenHeight = g->FScreenHeight;
        FVersion = g->FVersion;
        FBackgroundColor = g->FBackgroundColor;
        FLooping = g->FLooping;
        FRepeatCount = g->FRepeatCount;
        Changed();
        return;
    }
    if (auto* f = dynamic_cast<TGIFFrame*>(Source)) {
        Clear();
        if (TGIFImage* owner = f->Owner()) {
            FData = std::make_shared<TGIFData>(*owner->FData);
            FScreenWidth = owner->FScreenWidth;
            FScreenHeight = owner->FScreenHeight;
            FBackgroundColor = owner->FBackgroundColor;
            FVersion = owner->FVersion;
        }
        auto copy = std::make_unique<TGIFFrame>(this);
        copy->Assign(f);
        FFrames.push_back(std::move(copy));
        FFrameIndex = 0;
        Changed();
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        Clear();
        AddFrame(b);
        return;
    }
    if (auto* a = dynamic_cast<TAnimatedCursorImage*>(Source)) {
        AssignCursor(a);
        return;
    }
    TGraphic::Assign(Source);
}

void TGIFImage::AssignCursor(TAnimatedCursorImage* cursor) {
    Clear();
    FBackgroundColor = clWindow;
    for (int i = 0; i < cursor->Count(); ++i) {
        TIconFrame* f = cursor->Frames(i);
        if (!f->HasIcon()) continue;
        TBitmap bitmap;
        bitmap.Canvas()->Brush()->SetColor(clWindow);
        bitmap.Assign(f->Icon());
        const int index = AddFrame(&bitmap);
        Frames(index)->SetAnimateInterval(static_cast<int>(f->JiffRate() * 100 / 6));
    }
    FFrameIndex = FFrames.empty() ? -1 : 0;
    Changed();
}

void TGIFImage::AssignTo(TPersistent* Dest) {
    if (auto* g = dynamic_cast<TGIFImage*>(Dest)) {
        g->Assign(this);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
        TGIFFrame* f = CurrentFrame();
        if (!f || Empty()) {
            b->Assign(nullptr);
            return;
        }
        b->Assign(f->Bitmap());
        if (f->TransparentColor() != clNone) b->SetTransparentColor(f->TransparentColor());
        return;
    }
    TGraphic::AssignTo(Dest);
}

void TGIFImage::DecodeProgress(TProgressStage stage, int percent, const String& msg) {
    Progress(this, stage, static_cast<BYTE>(std::clamp(percent, 0, 100)), false, RECT{0, 0, 0, 0}, msg);
}

// Reading

void TGIFImage::LoadFromStream(TStream* stream) {
    const Int64 avail = std::max<Int64>(0, stream->Size() - stream->Position());
    std::vector<BYTE> bytes(static_cast<std::size_t>(avail));
    if (avail) stream->ReadBuffer(bytes.data(), avail);
    ReadBytes(bytes.data(), bytes.size(), true);
}

void TGIFImage::ReadData(TStream* stream) {
    Clear();
    std::int32_t size = 0;
    stream->ReadBuffer(&size, 4);
    const Int64 avail = std::max<Int64>(0, stream->Size() - stream->Position());
    if (size < 0 || size > avail) readError();
    std::vector<BYTE> bytes(static_cast<std::size_t>(size));
    if (size) stream->ReadBuffer(bytes.data(), size);
    ReadBytes(bytes.data(), bytes.size(), true);
}

void TGIFImage::LoadFromClipboardData(const BYTE* data, std::size_t size, TBitmap* bitmap) {
    Clear();
    if (!data || size < 4) readError();
    std::uint32_t length = 0;
    std::memcpy(&length, data, 4);
    if (length > size - 4) readError();
    ReadBytes(data + 4, length, false);
    if (bitmap && !FFrames.empty() && !bitmap->Empty()) {
        TGIFFrame* f = FFrames.front().get();
        f->FBitmap = std::make_unique<TBitmap>();
        f->FBitmap->Assign(bitmap);
        f->WatchBitmap();
    }
}

void TGIFImage::ReadBytes(const BYTE* data, std::size_t size, bool decodeFirst) {
    Clear();
    if (size == 0) {
        Changed();
        return;
    }
    try {
        Parse(data, size);
        if (!FFrames.empty()) {
            FFrameIndex = 0;
            if (decodeFirst) FFrames.front()->Bitmap();
        }
    } catch (...) {
        Clear();
        throw;
    }
    Changed();
}

void TGIFImage::Parse(const BYTE* data, std::size_t size) {
    ByteReader in(data, size);
    const std::vector<BYTE> sig = in.bytes(3);
    const std::vector<BYTE> ver = in.bytes(3);
    auto same = [](const std::vector<BYTE>& a, const char* b) {
        for (int i = 0; i < 3; ++i)
            if (std::tolower(a[static_cast<std::size_t>(i)]) != b[i]) return false;
        return true;
    };
    if (!same(sig, "gif")) throw EInvalidGraphicOperation(SGIFVersion);
    if (same(ver, "87a")) FVersion = gv87a;
    else if (same(ver, "89a")) FVersion = gv89a;
    else throw EInvalidGraphicOperation(SGIFVersion);
    FScreenWidth = in.word();
    FScreenHeight = in.word();
    const BYTE packed = in.byte();
    const BYTE background = in.byte();
    FData->AspectRatio = in.byte();
    FData->BitsPerPixel = (packed & 7) + 1;
    FData->ColorResBits = ((packed >> 4) & 7) + 1;
    if (packed & 0x80) {
        FData->ColorMap = readTable(in, 1 << FData->BitsPerPixel);
        if (background < FData->ColorMap.Count) FBackgroundColor = FData->ColorMap.Color(background);
    }
    std::vector<TExtension> pending;
    int b = in.nextNonZero();
    while (b > 0 && b != ';') {
        while (b == '!') {
            const BYTE label = in.byte();
            TExtension e;
            switch (label) {
            case 0xF9:
                e.Kind = etGraphicControl;
                e.Fixed = in.bytes(6);
                pending.push_back(std::move(e));
                break;
            case 0xFE:
                e.Kind = etComment;
                e.Data = in.subBlocks();
                pending.push_back(std::move(e));
                break;
            case 0x01:
                in.bytes(13);
                in.subBlocks();
                pending.clear();
                break;
            case 0xFF: {
                const std::vector<BYTE> fixed = in.bytes(12);
                const std::vector<String> blocks = in.subBlocks();
                const char* id = reinterpret_cast<const char*>(fixed.data() + 1);
                if ((std::memcmp(id, "NETSCAPE2.0", 11) == 0 || std::memcmp(id, "ANIMEXTS1.0", 11) == 0) &&
                    !blocks.empty() && blocks[0].size() >= 3 && blocks[0][0] == 1) {
                    FLooping = true;
                    FRepeatCount = std::min(30000, static_cast<BYTE>(blocks[0][1]) | (static_cast<BYTE>(blocks[0][2]) << 8));
                }
                break;
            }
            default: {
                char text[64];
                std::snprintf(text, sizeof text, "Unrecognized extension block: %.2x", label);
                throw EInvalidGraphicOperation(text);
            }
            }
            b = in.nextNonZero();
        }
        if (b == ',') {
            auto frame = std::make_unique<TGIFFrame>(this);
            TGIFItem& item = *frame->FItem;
            if (FData->ColorMap.Count > 0) {
                item.BitsPerPixel = exactBits(FData->ColorMap.Count);
                if (!item.BitsPerPixel) throw EInvalidGraphicOperation(SGIFColors);
            }
            frame->FExtensions = std::move(pending);
            pending.clear();
            frame->FTopLeft.x = in.word();
            frame->FTopLeft.y = in.word();
            item.Width = in.word();
            item.Height = in.word();
            item.PackedFields = in.byte();
            frame->FInterlaced = (item.PackedFields & 0x40) != 0;
            if (item.PackedFields & 0x80) {
                item.BitsPerPixel = (item.PackedFields & 7) + 1;
                item.ColorMap = readTable(in, 1 << item.BitsPerPixel);
                frame->FHasLocalColorMap = true;
            } else {
                item.ColorMap = FData->ColorMap;
            }
            // The encoded data, a cut last sub-block ended properly.
            const BYTE minSize = in.byte();
            item.ImageData.push_back(minSize);
            for (;;) {
                if (in.atEnd()) {
                    if (!GIFTolerantReading) readError();
                    frame->FCorrupted = true;
                    break;
                }
                const BYTE n = in.byte();
                if (!n) break;
                std::size_t take = n;
                if (take > in.left()) {
                    if (!GIFTolerantReading) readError();
                    take = in.left();
                    frame->FCorrupted = true;
                }
                item.ImageData.push_back(static_cast<BYTE>(take));
                item.ImageData.insert(item.ImageData.end(), in.here(), in.here() + take);
                in.skip(take);
                if (take < n) break;
            }
            item.ImageData.push_back(0);
            if (item.ColorMap.Count == 0) {
                // Neither table: grey levels for the code size's pixel values.
                item.BitsPerPixel = std::clamp<int>(minSize, 1, 8);
                const int n = 1 << item.BitsPerPixel;
                item.ColorMap.Count = n;
                for (int i = 0; i < n; ++i) {
                    const auto v = static_cast<BYTE>(i * 255 / (n - 1));
                    item.ColorMap.Colors[static_cast<std::size_t>(i)] = TGIFColorItem{v, v, v};
                }
            }
            if (item.Width == 0) item.Width = FScreenWidth;
            if (item.Height == 0) item.Height = FScreenHeight;
            for (const TExtension& e : frame->FExtensions) {
                if (e.Kind != etGraphicControl) continue;
                const BYTE flags = e.Fixed[1];
                const int delay = e.Fixed[2] | (e.Fixed[3] << 8);
                const int index = e.Fixed[4];
                frame->FTransparentColor =
                    (flags & 1) && index < item.ColorMap.Count ? item.ColorMap.Color(index) : clNone;
                frame->FAnimateInterval = std::max(delay * 10, frame->FAnimateInterval);
                frame->FDisposalMethod = (flags >> 2) & 7;
            }
            FFrames.push_back(std::move(frame));
            if (in.atEnd()) break;
            b = in.nextNonZero();
            if (b != '!' && b != ',' && b != ';') break;
            continue;
        }
        if (b < 0) break;
        if (pending.empty() || !FData->Comment.empty()) {
            if (b == ';') break;
            readError();
        }
        // Comments after the last frame belong to the image.
        bool firstComment = true;
        for (const TExtension& e : pending) {
            if (e.Kind != etComment) continue;
            if (!firstComment) FData->Comment.emplace_back();
            firstComment = false;
            FData->Comment.insert(FData->Comment.end(), e.Data.begin(), e.Data.end());
        }
        pending.clear();
    }
}

// Writing

void TGIFImage::UpdateExtensions(TGIFFrame* frame) {
    auto& exts = frame->FExtensions;
    auto gc = std::find_if(exts.begin(), exts.end(), [](const TExtension& e) { return e.Kind == etGraphicControl; });
    if (gc == exts.end() && (frame->FAnimateInterval > 0 || frame->FTransparentColor != clNone || frame->FDisposalMethod)) {
        TExtension e;
        e.Kind = etGraphicControl;
        e.Fixed = {4, 0, 0, 0, 0, 0};
        exts.insert(exts.begin(), std::move(e));
        gc = exts.begin();
    }
    if (gc != exts.end()) {
        gc->Fixed.resize(6);
        gc->Fixed[0] = 4;
        const int delay = std::min(frame->FAnimateInterval / 10, 0xFFFF);
        gc->Fixed[2] = static_cast<BYTE>(delay & 0xFF);
        gc->Fixed[3] = static_cast<BYTE>(delay >> 8);
        const int index = frame->FTransparentColor != clNone ? frame->ColorMap().IndexOf(frame->FTransparentColor) : -1;
        BYTE flags = static_cast<BYTE>(gc->Fixed[1] & ~0x1D);
        if (index >= 0) {
            flags |= 1;
            gc->Fixed[4] = static_cast<BYTE>(index);
        }
        flags |= static_cast<BYTE>((frame->FDisposalMethod & 7) << 2);
        gc->Fixed[1] = flags;
        gc->Fixed[5] = 0;
    }
    exts.erase(std::remove_if(exts.begin(), exts.end(),
                              [](const TExtension& e) { return e.Kind == etComment && !hasText(e); }),
               exts.end());
    if (!exts.empty()) FVersion = gv89a;
}

void TGIFImage::SaveToStream(TStream* stream) {
    std::vector<BYTE> out;
    WriteBytes(out);
    stream->WriteBuffer(out.data(), static_cast<Int64>(out.size()));
}

void TGIFImage::WriteData(TStream* stream) {
    std::vector<BYTE> out;
    WriteBytes(out);
    const auto size = static_cast<std::int32_t>(out.size());
    stream->WriteBuffer(&size, 4);
    stream->WriteBuffer(out.data(), size);
}

void TGIFImage::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) {
    if (FFrames.empty() || Empty()) throw EInvalidGraphicOperation(SGIFNoData);
    FFrames.front()->Bitmap()->SaveToClipboardFormat(Format, Data, Palette);
    std::vector<BYTE> block;
    if (!SaveToClipboardData(block)) return;
    HGLOBAL gif = platform::globalFromBytes(block.data(), block.size());
    if (gif && !SetClipboardData(gifClipboardFormat(), gif)) GlobalFree(gif);
}

void TGIFImage::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) {
    if (HANDLE gif = GetClipboardData(gifClipboardFormat())) {
        std::vector<BYTE> block(GlobalSize(gif));
        if (const void* p = GlobalLock(gif)) {
            std::memcpy(block.data(), p, block.size());
            GlobalUnlock(gif);
        }
        TBitmap bitmap;
        if (HANDLE b = GetClipboardData(CF_BITMAP)) bitmap.LoadFromClipboardFormat(CF_BITMAP, b, nullptr);
        LoadFromClipboardData(block.data(), block.size(), bitmap.Empty() ? nullptr : &bitmap);
        return;
    }
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(Format, Data, Palette);
    Assign(&bitmap);
}

bool TGIFImage::SaveToClipboardData(std::vector<BYTE>& block) {
    block.clear();
    if (FFrames.empty() || std::any_of(FFrames.begin(), FFrames.end(), [](const auto& f) { return !f->HasData(); }))
        return false;
    std::vector<BYTE> out;
    WriteBytes(out);
    const auto size = static_cast<std::uint32_t>(out.size());
    block.resize(4);
    std::memcpy(block.data(), &size, 4);
    block.insert(block.end(), out.begin(), out.end());
    return true;
}

void TGIFImage::WriteBytes(std::vector<BYTE>& out) {
    if (FFrames.empty()) throw EInvalidGraphicOperation(SGIFNoData);
    // A failed write leaves the image as it was.
    struct FrameState {
        std::shared_ptr<TGIFItem> item;
        std::vector<TExtension> exts;
        bool local, gray, interlaced, corrupted;
    };
    const TGIFData savedData = *FData;
    const TGIFVersion savedVersion = FVersion;
    const int savedW = FScreenWidth, savedH = FScreenHeight;
    std::vector<FrameState> saved;
    for (const auto& f : FFrames)
        saved.push_back({f->FItem, f->FExtensions, f->FHasLocalColorMap, f->FGrayScale, f->FInterlaced, f->FCorrupted});
    try {
        for (auto& f : FFrames)
            if (!f->HasData()) f->Encode();
        if (FVersion == gvNone) FVersion = gv87a;
        for (auto& f : FFrames) UpdateExtensions(f.get());
        if (!FData->Comment.empty()) FVersion = gv89a;
    } catch (...) {
        *FData = savedData;
        FVersion = savedVersion;
        FScreenWidth = savedW;
        FScreenHeight = savedH;
        for (std::size_t i = 0; i < FFrames.size(); ++i) {
            TGIFFrame& f = *FFrames[i];
            f.FItem = saved[i].item;
            f.FExtensions = saved[i].exts;
            f.FHasLocalColorMap = saved[i].local;
            f.FGrayScale = saved[i].gray;
            f.FInterlaced = saved[i].interlaced;
            f.FCorrupted = saved[i].corrupted;
        }
        throw;
    }
    out.clear();
    const char* sig = FVersion == gv89a ? "GIF89a" : "GIF87a";
    out.insert(out.end(), sig, sig + 6);
    int w = 0, h = 0;
    for (const auto& f : FFrames) {
        w = std::max<int>(w, f->FTopLeft.x + f->Width());
        h = std::max<int>(h, f->FTopLeft.y + f->Height());
    }
    FScreenWidth = std::min(w, 0xFFFF);
    FScreenHeight = std::min(h, 0xFFFF);
    putWord(out, FScreenWidth);
    putWord(out, FScreenHeight);
    const TGIFColorTable& global = FData->ColorMap;
    const int globalBits = global.Count > 0 ? bitsFor(global.Count) : 0;
    out.push_back(global.Count > 0 ? static_cast<BYTE>(0x80 | ((globalBits - 1) << 4) | (globalBits - 1)) : 0);
    const int background = FBackgroundColor != clNone ? global.IndexOf(FBackgroundColor) : -1;
    out.push_back(static_cast<BYTE>(background > 0 ? background : 0));
    out.push_back(FData->AspectRatio);
    if (global.Count > 0) writeTable(out, global, globalBits);
    if (FLooping && FFrames.size() > 1) {
        const char* id = "NETSCAPE2.0";
        out.push_back('!');
        out.push_back(0xFF);
        out.push_back(11);
        out.insert(out.end(), id, id + 11);
        out.push_back(3);
        out.push_back(1);
        putWord(out, FRepeatCount);
        out.push_back(0);
    }
    for (const auto& f : FFrames) {
        for (const TExtension& e : f->FExtensions) {
            out.push_back('!');
            out.push_back(e.Label());
            out.insert(out.end(), e.Fixed.begin(), e.Fixed.end());
            if (e.Kind != etGraphicControl) writeSubBlocks(out, e.Data);
        }
        out.push_back(',');
        putWord(out, f->FTopLeft.x);
        putWord(out, f->FTopLeft.y);
        putWord(out, f->Width());
        putWord(out, f->Height());
        const int bits = f->FHasLocalColorMap ? bitsFor(f->ColorMap().Count) : 0;
        out.push_back(static_cast<BYTE>((f->FHasLocalColorMap ? 0x80 | (bits - 1) : 0) | (f->FInterlaced ? 0x40 : 0)));
        if (f->FHasLocalColorMap) writeTable(out, f->ColorMap(), bits);
        out.insert(out.end(), f->FItem->ImageData.begin(), f->FItem->ImageData.end());
    }
    std::vector<String> lines;
    for (const String& line : FData->Comment)
        if (!line.empty()) lines.push_back(line.substr(0, 255));
    if (!lines.empty()) {
        out.push_back('!');
        out.push_back(0xFE);
        writeSubBlocks(out, lines);
    }
    out.push_back(';');
}
