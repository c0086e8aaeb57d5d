// TClipboard, and the clipboard forms of the graphic classes.
#include "classlib/Clipbrd.h"
#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "platform/globalmem.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

const UINT CF_PICTURE = RegisterClipboardFormatA("Tessellon Picture");
const UINT CF_COMPONENT = RegisterClipboardFormatA("Tessellon Component");

namespace {

const char* const kCannotOpen = "Cannot open clipboard";
const char* const kCannotSet = "Cannot put data on the clipboard";
const char* const kUnsupported = "Unsupported clipboard format";

std::unique_ptr<TClipboard>& instance() {
    static std::unique_ptr<TClipboard> clipboard;
    return clipboard;
}

}  // namespace

TClipboard* Clipboard() {
    if (!instance()) instance() = std::make_unique<TClipboard>();
    return instance().get();
}

TClipboard* SetClipboard(TClipboard* NewClipboard) {
    TClipboard* old = instance().release();
    instance().reset(NewClipboard);
    return old;
}

TClipboard::TClipboard() = default;

TClipboard::~TClipboard() {
    if (FOpenRefCount > 0) {
        FOpenRefCount = 1;
        Close();
    }
    if (FAllocated) DeallocateHWnd(FClipboardWindow);
}

void TClipboard::Open() {
    if (FOpenRefCount == 0) {
        if (!FAllocated) {
            FClipboardWindow = AllocateHWnd([](TMessage&) {});
            FAllocated = true;
        }
        if (!OpenClipboard(FClipboardWindow)) throw EClipboardException(kCannotOpen);
        FEmptied = false;
    }
    ++FOpenRefCount;
}

void TClipboard::Close() {
    if (FOpenRefCount == 0) return;
    if (--FOpenRefCount == 0) CloseClipboard();
}

void TClipboard::Adding() {
    if (FOpenRefCount > 0 && !FEmptied) {
        EmptyClipboard();
        FEmptied = true;
    }
}

void TClipboard::Clear() {
    Open();
    try {
        EmptyClipboard();
        FEmptied = true;
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

bool TClipboard::HasFormat(UINT Format) { return IsClipboardFormatAvailable(Format); }

int TClipboard::FormatCount() { return CountClipboardFormats(); }

UINT TClipboard::Formats(int Index) {
    Open();
    UINT format = EnumClipboardFormats(0);
    for (int i = 0; format && i < Index; ++i) format = EnumClipboardFormats(format);
    Close();
    if (Index < 0 || !format) throw EListError("List index out of bounds (%d)", {Index});
    return format;
}

void TClipboard::SetAsHandle(UINT Format, HANDLE Value) {
    Open();
    try {
        Adding();
        if (!SetClipboardData(Format, Value)) throw EClipboardException(kCannotSet);
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

HANDLE TClipboard::GetAsHandle(UINT Format) {
    Open();
    HANDLE h = GetClipboardData(Format);
    Close();
    return h;
}

void TClipboard::SetBuffer(UINT Format, const void* Buffer, std::size_t Size) {
    HGLOBAL block = platform::globalFromBytes(Buffer, Size);
    if (!block) throw EOutOfMemory("Out of memory");
    try {
        SetAsHandle(Format, block);
    } catch (...) {
        GlobalFree(block);  // the clipboard did not take it
        throw;
    }
}

String TClipboard::AsText() {
    Open();
    String text;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        const SIZE_T size = GlobalSize(h);
        if (const auto* p = static_cast<const char*>(GlobalLock(h))) {
            text.assign(p, strnlen(p, size));
            GlobalUnlock(h);
        }
    }
    Close();
    return text;
}

void TClipboard::SetAsText(const String& Value) { SetBuffer(CF_TEXT, Value.c_str(), Value.size() + 1); }

int TClipboard::GetTextBuf(char* Buffer, int BufSize) {
    if (!Buffer || BufSize <= 0) return 0;
    const String text = AsText();
    const int n = std::min<int>(static_cast<int>(text.size()), BufSize - 1);
    std::memcpy(Buffer, text.data(), static_cast<std::size_t>(n));
    Buffer[n] = '\0';
    return n;
}

void TClipboard::SetTextBuf(const char* Buffer) { SetAsText(Buffer ? Buffer : ""); }

void TClipboard::AssignGraphic(TGraphic* Source) {
    Open();
    UINT format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    try {
        // Emptied first: a graphic may put further formats of its own beside its main one.
        Adding();
        Source->SaveToClipboardFormat(format, data, palette);
    } catch (...) {
        Close();
        throw;
    }
    if (!SetClipboardData(format, data)) {
        // What the clipboard does not take is freed here.
        if (format == CF_BITMAP || format == CF_PALETTE)
            DeleteObject(data);
        else
            GlobalFree(data);
        if (palette) DeleteObject(palette);
        Close();
        throw EClipboardException(kCannotSet);
    }
    if (palette && !SetClipboardData(CF_PALETTE, palette)) DeleteObject(palette);
    Close();
}

void TClipboard::Assign(TPersistent* Source) {
    if (auto* picture = dynamic_cast<TPicture*>(Source)) {
        if (!picture->Graphic()) throw EInvalidGraphic(kUnsupported);
        AssignGraphic(picture->Graphic());
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
        AssignGraphic(graphic);
        return;
    }
    TPersistent::Assign(Source);
}

void TClipboard::AssignTo(TPersistent* Dest) {
    if (auto* picture = dynamic_cast<TPicture*>(Dest)) {
        Open();
        try {
            for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f))
                if (TPicture::SupportsClipboardFormat(f)) {
                    picture->LoadFromClipboardFormat(f, GetClipboardData(f), static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)));
                    Close();
                    return;
                }
            throw EInvalidGraphic(kUnsupported);
        } catch (...) {
            Close();
            throw;
        }
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(Dest)) {
        Open();
        try {
            const UINT f = IsClipboardFormatAvailable(CF_DIB) ? CF_DIB : CF_BITMAP;
            bitmap->LoadFromClipboardFormat(f, GetClipboardData(f), static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)));
        } catch (...) {
            Close();
            throw;
        }
        Close();
        return;
    }
    TPersistent::AssignTo(Dest);
}

// ---- The graphics' clipboard forms -------------------------------------------------------------

void TGraphic::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) { throw EInvalidGraphic(kUnsupported); }

void TGraphic::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) { throw EInvalidGraphic(kUnsupported); }

void TBitmap::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) {
    std::vector<BYTE> info, bits;
    if (!ReadDib(info, bits)) throw EInvalidGraphic(kUnsupported);
    void* copyBits = nullptr;
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    HBITMAP copy = CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, &copyBits, nullptr, 0);
    if (!copy || !copyBits) {
        if (copy) DeleteObject(copy);
        throw EOutOfMemory("Out of memory");
    }
    HDC dc = GetDC(nullptr);
    SetDIBits(dc, copy, 0, static_cast<UINT>(bi->bmiHeader.biHeight), bits.data(), bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    // The clipboard gets a palette of its own.
    const int bitCount = bi->bmiHeader.biBitCount;
    Palette = bitCount <= 8 ? CreatePaletteOf(bi->bmiColors, 1 << bitCount) : nullptr;
    Format = CF_BITMAP;
    Data = copy;
}

void TBitmap::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE) {
    std::vector<unsigned char> dib;
    if (Format == CF_DIB && Data) {
        const SIZE_T size = GlobalSize(Data);
        if (const auto* p = static_cast<const unsigned char*>(GlobalLock(Data))) {
            dib.assign(p, p + size);
            GlobalUnlock(Data);
        }
    } else if (Format == CF_BITMAP && Data) {
        dib = platform::packedDibOfBitmap(static_cast<HBITMAP>(Data));
    } else {
        throw EInvalidGraphic(kUnsupported);
    }
    std::size_t bitsAt = 0;
    if (!platform::packedDibLayout(dib.data(), dib.size(), &bitsAt)) throw EInvalidGraphic("Bitmap image is not valid");
    WriteDib(reinterpret_cast<const BITMAPINFO*>(dib.data()), dib.data() + bitsAt);
    Changed();
}

namespace {

struct ClipboardFormats {
    std::mutex mutex;
    std::map<UINT, TPersistentClass> classes;
};

ClipboardFormats& clipboardFormats() {
    static auto* formats = [] {
        auto* f = new ClipboardFormats;
        const TPersistentClass bitmap = RegisterClass<TBitmap>();
        f->classes[CF_DIB] = bitmap;
        f->classes[CF_BITMAP] = bitmap;
        return f;
    }();
    return *formats;
}

}  // namespace

void TPicture::RegisterClipboardFormat(UINT format, TPersistentClass graphicClass) {
    ClipboardFormats& f = clipboardFormats();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.classes[format] = graphicClass;
}

void TPicture::UnregisterClipboardFormats(TPersistentClass graphicClass) {
    ClipboardFormats& f = clipboardFormats();
    std::lock_guard<std::mutex> lock(f.mutex);
    for (auto it = f.classes.begin(); it != f.classes.end();) it = it->second == graphicClass ? f.classes.erase(it) : std::next(it);
}

bool TPicture::SupportsClipboardFormat(UINT format) {
    ClipboardFormats& f = clipboardFormats();
    std::lock_guard<std::mutex> lock(f.mutex);
    return f.classes.count(format) > 0;
}

void TPicture::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
    TPersistentClass cls = nullptr;
    {
        ClipboardFormats& f = clipboardFormats();
        std::lock_guard<std::mutex> lock(f.mutex);
        auto it = f.classes.find(format);
        if (it != f.classes.end()) cls = it->second;
    }
    if (!cls || !cls->Create) throw EInvalidGraphic(kUnsupported);
    std::unique_ptr<TPersistent> made(cls->Create(nullptr));
    auto* graphic = dynamic_cast<TGraphic*>(made.get());
    if (!graphic) throw EInvalidGraphic(kUnsupported);
    graphic->LoadFromClipboardFormat(format, data, palette);
    made.release();
    FGraphic.reset(graphic);
    Changed();
}

void TPicture::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
    if (!FGraphic) throw EInvalidGraphic(kUnsupported);
    FGraphic->SaveToClipboardFormat(format, data, palette);
}
