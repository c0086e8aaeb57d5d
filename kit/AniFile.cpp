// The animated-cursor reader.
#include "kit/AniFile.h"

#include "kit/IcoList.h"
#include "kit/KitGraph.h"

#include <algorithm>
#include <cstring>

namespace {

[[noreturn]] void readError() { throw EReadError(SReadError); }

DWORD dword32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

bool isId(const BYTE* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// The chunks of a block: identifier, data and size; false when one runs past the end.
template <class F>
bool forEachChunk(const BYTE* data, std::size_t size, F&& f) {
    std::size_t pos = 0;
    while (size - pos >= 8) {
        const BYTE* id = data + pos;
        const std::size_t length = dword32(data + pos + 4);
        pos += 8;
        if (length > size - pos) return false;
        f(id, data + pos, length);
        pos += length + (length & 1);
        if (pos > size) pos = size;
    }
    return true;
}

String zeroEnded(const BYTE* data, std::size_t size) {
    const std::size_t n = std::min<std::size_t>(size, 255);
    const auto* end = static_cast<const BYTE*>(std::memchr(data, 0, n));
    return String(reinterpret_cast<const char*>(data), end ? static_cast<std::size_t>(end - data) : n);
}

}  // namespace

// TIconFrame

TIconFrame::TIconFrame(TAnimatedCursorImage* owner, int index) : FOwner(owner), FSequence(index) {}
TIconFrame::~TIconFrame() = default;

void TIconFrame::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TIconFrame*>(Source)) {
        if (f == this) return;
        FIcon.reset();
        if (f->FIcon) {
            FIcon = std::make_unique<TIcon>();
            FIcon->Assign(f->FIcon.get());
        }
        FIsIcon = f->FIsIcon;
        FHotSpot = f->FHotSpot;
        FJiffRate = f->FJiffRate;
        FSequence = f->FSequence;
        return;
    }
    TPersistent::Assign(Source);
}

// TAnimatedCursorImage

TAnimatedCursorImage::TAnimatedCursorImage() = default;
TAnimatedCursorImage::~TAnimatedCursorImage() = default;

void TAnimatedCursorImage::Clear() {
    FHeader = TAniHeader{};
    FTitle.clear();
    FAuthor.clear();
    FFrames.clear();
    FSourceColors = 0;
}

TIconFrame* TAnimatedCursorImage::Frames(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError(SListIndexError, {Index});
    return FFrames[static_cast<std::size_t>(Index)].get();
}

void TAnimatedCursorImage::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (auto* a = dynamic_cast<TAnimatedCursorImage*>(Source)) {
        if (a == this) return;
        Clear();
        FHeader = a->FHeader;
        FTitle = a->FTitle;
        FAuthor = a->FAuthor;
        FSourceColors = a->FSourceColors;
        for (const auto& f : a->FFrames) {
            auto copy = std::make_unique<TIconFrame>(this, f->FSequence);
            copy->Assign(f.get());
            FFrames.push_back(std::move(copy));
        }
        return;
    }
    TPersistent::Assign(Source);
}

void TAnimatedCursorImage::AssignTo(TPersistent* Dest) {
    if (auto* icon = dynamic_cast<TIcon*>(Dest)) {
        if (FFrames.empty() || !FFrames.front()->FIcon) icon->Assign(nullptr);
        else icon->Assign(FFrames.front()->FIcon.get());
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(Dest)) {
        PaintFrames(bitmap, bitmap->Canvas()->Brush()->Color(), false, false);
        return;
    }
    if (auto* list = dynamic_cast<TIconList*>(Dest)) {
        list->BeginUpdate();
        list->Clear();
        for (const auto& f : FFrames) list->Add(f->FIcon.get());
        list->EndUpdate();
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TAnimatedCursorImage::SaveToStream(TStream*) { throw ENotImplemented(SNotImplemented); }

void TAnimatedCursorImage::LoadFromFile(const String& FileName) {
    try {
        TFileStream f(FileName, fmOpenRead | fmShareDenyNone);
        LoadFromStream(&f);
    } catch (...) {
        Clear();
        throw;
    }
}

void TAnimatedCursorImage::LoadFromStream(TStream* Stream) {
    Clear();
    try {
        const Int64 avail = std::max<Int64>(0, Stream->Size() - Stream->Position());
        std::vector<BYTE> bytes(static_cast<std::size_t>(avail));
        if (avail) Stream->ReadBuffer(bytes.data(), avail);
        Parse(bytes.data(), bytes.size());
    } catch (...) {
        Clear();
        throw;
    }
}

void TAnimatedCursorImage::Parse(const BYTE* data, std::size_t size) {
    if (size < 12 || !isId(data, "RIFF") || !isId(data + 8, "ACON")) readError();
    const std::size_t riff = dword32(data + 4);
    if (riff < 4) readError();
    const std::size_t end = std::min(size, riff > size - 8 ? size : riff + 8);
    const BYTE* body = data + 12;
    const std::size_t bodySize = end - 12;
    // The "icon" chunks present bound the frames the header may ask for.
    std::size_t icons = 0;
    const bool whole = forEachChunk(body, bodySize, [&](const BYTE* id, const BYTE* chunk, std::size_t length) {
        if (isId(id, "LIST") && length >= 4 && isId(chunk, "fram"))
            forEachChunk(chunk + 4, length - 4, [&](const BYTE* sub, const BYTE*, std::size_t) {
                if (isId(sub, "icon")) ++icons;
            });
    });
    if (!whole) readError();
    std::size_t rates = 0, sequences = 0;
    int ordinal = 0;
    bool iconsEnded = false;
    bool bad = false;
    forEachChunk(body, bodySize, [&](const BYTE* id, const BYTE* chunk, std::size_t length) {
        if (bad) return;
        if (isId(id, "anih")) {
            FHeader = TAniHeader{};
            std::memcpy(&FHeader, chunk, std::min<std::size_t>(length, sizeof FHeader));
            if (!(FHeader.Flags & 1) || FHeader.StepCount == 0) {
                bad = true;
                return;
            }
            const std::size_t n = std::min<std::size_t>(FHeader.FrameCount, icons);
            for (std::size_t i = 0; i < n; ++i) {
                auto f = std::make_unique<TIconFrame>(this, static_cast<int>(i));
                f->FJiffRate = FHeader.DisplayRate;
                FFrames.push_back(std::move(f));
            }
        } else if (isId(id, "rate")) {
            if (length >= 4 && rates < FFrames.size()) FFrames[rates]->FJiffRate = dword32(chunk);
            ++rates;
        } else if (isId(id, "seq ")) {
            if (length >= 4 && sequences < FFrames.size()) FFrames[sequences]->FSequence = static_cast<int>(dword32(chunk));
            ++sequences;
        } else if (isId(id, "LIST") && length >= 4) {
            if (isId(chunk, "fram")) {
                bad = !forEachChunk(chunk + 4, length - 4, [&](const BYTE* sub, const BYTE* icon, std::size_t n) {
                    if (!isId(sub, "icon") || iconsEnded) return;
                    if (!LoadIconChunk(icon, n, ordinal++)) iconsEnded = true;
                });
            } else if (isId(chunk, "INFO")) {
                bad = !forEachChunk(chunk + 4, length - 4, [&](const BYTE* sub, const BYTE* text, std::size_t n) {
                    if (isId(sub, "INAM")) FTitle = zeroEnded(text, n);
                    else if (isId(sub, "IART")) FAuthor = zeroEnded(text, n);
                });
            }
        }
    });
    if (bad) readError();
    FFrames.erase(std::remove_if(FFrames.begin(), FFrames.end(), [](const auto& f) { return !f->FIcon; }), FFrames.end());
    if (FFrames.empty()) readError();
}

bool TAnimatedCursorImage::LoadIconChunk(const BYTE* data, std::size_t size, int ordinal) {
    WORD type = 0;
    std::vector<TIconDirEntry> entries;
    if (!ReadIconDirectory(data, size, type, entries)) return false;
    // A cursor entry holds its hot spot where an icon entry holds planes and bit count;
    // the colour count comes from each image's own header.
    for (const TIconDirEntry& e : entries) {
        const int bits = IconImageBitCount(data, size, e);
        const int colors = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
        FSourceColors = std::max(FSourceColors, colors);
    }
    TIcon icon;
    try {
        icon.LoadFromData(data, size);
    } catch (const EInvalidGraphic&) {
        return false;
    }
    const bool isIcon = type == 1;
    const POINT hotSpot = isIcon ? POINT{icon.Width() / 2, icon.Height() / 2}
                                 : POINT{entries.back().Planes, entries.back().BitCount};
    bool stored = false;
    for (auto& f : FFrames)
        if (f->FSequence == ordinal) {
            f->FIcon = std::make_unique<TIcon>();
            f->FIcon->Assign(&icon);
            f->FIsIcon = isIcon;
            f->FHotSpot = hotSpot;
            stored = true;
        }
    if (!stored) {
        auto f = std::make_unique<TIconFrame>(this, -1);
        f->FJiffRate = FHeader.DisplayRate;
        f->FIcon = std::make_unique<TIcon>();
        f->FIcon->Assign(&icon);
        f->FIsIcon = isIcon;
        f->FHotSpot = hotSpot;
        FFrames.push_back(std::move(f));
    }
    return true;
}

void TAnimatedCursorImage::PaintFrames(TBitmap* Bitmap, TColor Background, bool Vertical, bool Reduce) {
    if (!Bitmap) return;
    if (FFrames.empty()) {
        Bitmap->Assign(nullptr);
        return;
    }
    int total = 0;
    for (const auto& f : FFrames) total += Vertical ? f->Height() : f->Width();
    const int across = Vertical ? FFrames.front()->Width() : FFrames.front()->Height();
    TBitmap strip;
    strip.SetSize(Vertical ? across : total, Vertical ? total : across);
    TCanvas* c = strip.Canvas();
    c->Brush()->SetColor(Background);
    c->FillRect(RECT{0, 0, strip.Width(), strip.Height()});
    int at = 0;
    for (const auto& f : FFrames) {
        if (Vertical) c->Draw(0, at, f->FIcon.get());
        else c->Draw(at, 0, f->FIcon.get());
        at += Vertical ? f->Height() : f->Width();
    }
    if (Reduce && FSourceColors > 0) {
        std::unique_ptr<TMemoryStream> s = BitmapToDibStreamForColors(&strip, std::max(FSourceColors, 16));
        strip.LoadFromStream(s.get());
    }
    Bitmap->Assign(&strip);
}
