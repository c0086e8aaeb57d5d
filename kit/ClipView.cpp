// The clipboard viewer.
#include "kit/ClipView.h"

#include "classlib/Clipbrd.h"
#include "kit/ClipIcon.h"
#include "platform/clipboard.h"
#include "platform/codepage.h"
#include "platform/globalmem.h"
#include "platform/winpaint.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

const char* const kClipboardEmpty = "Clipboard is empty";
const char* const kUnknownFormat = "Cannot display. Data in Clipboard is in an unknown format.";

bool clipboardEmpty() { return CountClipboardFormats() == 0; }

bool hasFormat(UINT format) { return format && IsClipboardFormatAvailable(format); }

// The bytes of a clipboard block as text up to its first zero.
String blockText(UINT format) {
    TClipboard* cb = Clipboard();
    String out;
    cb->Open();
    HANDLE h = GetClipboardData(format);
    const SIZE_T size = h ? GlobalSize(h) : 0;
    if (const auto* p = size ? static_cast<const char*>(GlobalLock(h)) : nullptr) {
        const auto* end = static_cast<const char*>(std::memchr(p, 0, size));
        out.assign(p, end ? static_cast<std::size_t>(end - p) : size);
        GlobalUnlock(h);
    }
    cb->Close();
    return out;
}

}  // namespace

UINT ClipboardFormatOfView(TClipboardViewFormat Format) {
    switch (Format) {
    case cvText: return CF_TEXT;
    case cvBitmap: return CF_BITMAP;
    case cvMetafile: return CF_METAFILEPICT;
    case cvPalette: return CF_PALETTE;
    case cvOemText: return CF_OEMTEXT;
    case cvPicture: return CF_PICTURE;
    case cvComponent: return CF_COMPONENT;
    case cvIcon: return ClipboardIconFormat();
    default: return 0;
    }
}

// ---- TPaletteGrid --------------------------------------------------------------------------

TPaletteGrid::TPaletteGrid(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, CellSize * 8, CellSize);
    SetColor(clWindow);
    for (PALETTEENTRY& e : FEntries) e = PALETTEENTRY{128, 128, 128, 0};
}

TPaletteGrid::~TPaletteGrid() {
    if (FPalette) DeleteObject(FPalette);
}

void TPaletteGrid::SetPalette(HPALETTE Palette) {
    if (FPalette) DeleteObject(FPalette);
    FPalette = nullptr;
    FCount = 0;
    FSelected = -1;
    for (PALETTEENTRY& e : FEntries) e = PALETTEENTRY{128, 128, 128, 0};
    WORD count = 0;
    if (Palette && GetObjectW(Palette, sizeof count, &count) && count) {
        const UINT n = std::min<UINT>(count, 256);
        FCount = static_cast<int>(GetPaletteEntries(Palette, 0, n, FEntries.data()));
        if (FCount > 0) {
            std::vector<BYTE> record(sizeof(LOGPALETTE) + static_cast<std::size_t>(FCount) * sizeof(PALETTEENTRY));
            auto* lp = reinterpret_cast<LOGPALETTE*>(record.data());
            lp->palVersion = 0x300;
            lp->palNumEntries = static_cast<WORD>(FCount);
            std::memcpy(lp->palPalEntry, FEntries.data(), static_cast<std::size_t>(FCount) * sizeof(PALETTEENTRY));
            FPalette = CreatePalette(lp);
        } else {
            FCount = 0;
        }
    }
    UpdateCells();
    Invalidate();
    // The active form realises the new colours.
    if (TCustomForm* f = GetParentForm(this); f && f->HandleAllocated() && f->Active())
        PostMessageW(f->Handle(), WM_QUERYNEWPALETTE, 0, 0);
}

COLORREF TPaletteGrid::EntryColor(int Index) const {
    if (Index < 0 || Index >= 256) return RGB(128, 128, 128);
    const PALETTEENTRY& e = FEntries[static_cast<std::size_t>(Index)];
    return RGB(e.peRed, e.peGreen, e.peBlue);
}

void TPaletteGrid::UpdateCells() {
    if (FSizing) return;
    FSizing = true;
    // One column at least: a viewer of no width still takes a palette.
    const int width = ClientWidth() - GetSystemMetrics(SM_CXVSCROLL);
    FColCount = std::max(1, width / CellSize);
    FRowCount = std::max(1, (FCount + FColCount - 1) / FColCount);
    if (Height() != FRowCount * CellSize) SetHeight(FRowCount * CellSize);
    FSizing = false;
}

bool TPaletteGrid::SelectCell(int Col, int Row) {
    if (Col < 0 || Row < 0 || Col >= FColCount || Row >= FRowCount) return false;
    const int index = Row * FColCount + Col;
    if (index >= FCount) return false;
    FSelected = index;
    Invalidate();
    return true;
}

void TPaletteGrid::Resize() {
    TCustomControl::Resize();
    UpdateCells();
}

void TPaletteGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && X >= 0 && Y >= 0) SelectCell(X / CellSize, Y / CellSize);
}

void TPaletteGrid::Paint() {
    TCanvas* c = Canvas();
    HDC dc = c->Handle();
    c->Brush()->SetColor(Color());
    c->FillRect(RECT{0, 0, Width(), Height()});
    for (int i = 0; i < FCount; ++i) {
        const int col = i % FColCount, row = i / FColCount;
        RECT r{col * CellSize, row * CellSize, (col + 1) * CellSize, (row + 1) * CellSize};
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        HBRUSH brush = CreateSolidBrush(EntryColor(i));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        if (i == FSelected) {
            RECT f{col * CellSize, row * CellSize, (col + 1) * CellSize, (row + 1) * CellSize};
            DrawFocusRect(dc, &f);
        }
    }
}

// ---- TCustomClipboardViewer ----------------------------------------------------------------

TCustomClipboardViewer::TCustomClipboardViewer(TComponent* AOwner) : TScrollBox(AOwner) {
    SetBounds(0, 0, 150, 150);
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomClipboardViewer::~TCustomClipboardViewer() { LeaveChain(); }

void TCustomClipboardViewer::CreateWnd() {
    TScrollBox::CreateWnd();
    if (FChained) return;
    FChained = true;
    FNextWindow = nullptr;
    FNextWindow = SetClipboardViewer(Handle());
    if (!FNextWindow && GetClipboardViewer() != Handle()) FChained = false;
}

void TCustomClipboardViewer::LeaveChain() {
    if (!FChained || !HandleAllocated()) return;
    FChained = false;
    ChangeClipboardChain(Handle(), FNextWindow);
    FNextWindow = nullptr;
}

void TCustomClipboardViewer::DestroyWindowHandle() {
    LeaveChain();
    TScrollBox::DestroyWindowHandle();
}

void TCustomClipboardViewer::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CHANGECBCHAIN: {
        const auto removed = reinterpret_cast<HWND>(Message.WParam);
        const auto next = reinterpret_cast<HWND>(Message.LParam);
        if (removed == FNextWindow) FNextWindow = next;
        else if (FNextWindow) SendMessageW(FNextWindow, WM_CHANGECBCHAIN, Message.WParam, Message.LParam);
        Message.Result = 0;
        return;
    }
    case WM_DRAWCLIPBOARD: {
        if (FNextWindow) SendMessageW(FNextWindow, WM_DRAWCLIPBOARD, Message.WParam, Message.LParam);
        if (clipboardEmpty()) FViewFormat = cvEmpty;
        else if (!hasFormat(ClipboardFormatOfView(FViewFormat))) FViewFormat = cvDefault;
        Change();
        DisableAlign();
        try {
            RebuildView();
        } catch (...) {
            EnableAlign();
            throw;
        }
        EnableAlign();
        Message.Result = 0;
        return;
    }
    case WM_DESTROYCLIPBOARD:
        FViewFormat = cvEmpty;
        Change();
        RebuildView();
        Message.Result = 0;
        return;
    case WM_NCDESTROY: LeaveChain(); break;
    default: break;
    }
    TScrollBox::Dispatch(Message);
}

void TCustomClipboardViewer::Change() {
    if (OnChange) OnChange(this);
}

bool TCustomClipboardViewer::ValidFormat(TClipboardViewFormat Format) {
    if (Format == cvDefault || Format == cvEmpty || Format == cvUnknown) return true;
    return hasFormat(ClipboardFormatOfView(Format));
}

void TCustomClipboardViewer::SetViewFormat(TClipboardViewFormat Value) {
    if (Value != cvDefault && Value != cvEmpty && Value != cvUnknown &&
        (!hasFormat(ClipboardFormatOfView(Value)) || !ValidFormat(Value)))
        Value = cvDefault;
    if (Value == FViewFormat) return;
    FViewFormat = Value;
    RebuildView();
}

TClipboardViewFormat TCustomClipboardViewer::GetDrawFormat() {
    if (clipboardEmpty()) return cvEmpty;
    if (FViewFormat != cvDefault) return FViewFormat;
    if (hasFormat(CF_TEXT)) return cvText;
    if (hasFormat(CF_OEMTEXT)) return cvOemText;
    if (hasFormat(CF_BITMAP)) return cvBitmap;
    if (hasFormat(CF_METAFILEPICT) || hasFormat(CF_ENHMETAFILE)) return cvMetafile;
    if (hasFormat(ClipboardIconFormat())) return cvIcon;
    if (hasFormat(CF_PICTURE)) return cvPicture;
    if (hasFormat(CF_COMPONENT)) return cvComponent;
    if (hasFormat(CF_PALETTE)) return cvPalette;
    return cvUnknown;
}

TCustomMemo* TCustomClipboardViewer::MakeMemo(const String& Text, bool Oem) {
    auto* memo = new TMemo(this);
    memo->SetBorderStyle(bsNone);
    memo->SetReadOnly(true);
    memo->SetScrollBars(TCustomMemo::ssBoth);
    memo->SetWordWrap(false);
    if (Oem) {
        // The fixed system font stands in for the OEM character font.
        memo->Font()->SetName("Monospace");
        memo->Font()->SetPitch(fpFixed);
    }
    memo->SetAlign(alClient);
    memo->SetParent(this);
    memo->SetText(Text);
    return memo;
}

void TCustomClipboardViewer::RebuildView() {
    if (ComponentState().Contains(csDesigning) || ComponentState().Contains(csDestroying)) return;
    delete FView;
    FView = nullptr;
    TClipboardViewFormat format = GetDrawFormat();
    if (!ValidFormat(format)) format = cvUnknown;
    TClipboard* cb = Clipboard();
    switch (format) {
    case cvText: FView = MakeMemo(cb->AsText(), false); break;
    case cvOemText: {
        const String oem = blockText(CF_OEMTEXT);
        FView = MakeMemo(WideToAnsi(platform::toWide(oem, CP_OEMCP)), true);
        break;
    }
    case cvComponent: FView = MakeMemo(blockText(CF_COMPONENT), false); break;
    case cvPalette: {
        auto* grid = new TPaletteGrid(this);
        grid->SetAlign(alTop);
        grid->SetParent(this);
        cb->Open();
        grid->SetPalette(static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)));
        cb->Close();
        FView = grid;
        break;
    }
    case cvBitmap:
    case cvPicture:
    case cvMetafile:
    case cvIcon: {
        auto image = std::make_unique<TImage>(this);
        image->SetAutoSize(true);
        try {
            if (format == cvIcon) {
                TIcon icon;
                if (!LoadIconFromClipboard(&icon)) throw EInvalidGraphic(kUnknownFormat);
                image->Picture()->Assign(&icon);
            } else if (format == cvBitmap) {
                TBitmap bitmap;
                cb->AssignTo(&bitmap);
                image->Picture()->Assign(&bitmap);
            } else {
                cb->AssignTo(image->Picture());
            }
        } catch (const Exception&) {
            // A block no picture class reads is shown as unknown data.
            FView = MakeMemo(kUnknownFormat, false);
            break;
        }
        image->SetParent(this);
        FView = image.release();
        CenterView();
        break;
    }
    case cvEmpty: FView = MakeMemo(kClipboardEmpty, false); break;
    default: FView = MakeMemo(kUnknownFormat, false); break;
    }
}

void TCustomClipboardViewer::CenterView() {
    if (!FView || FView->Align() != alNone) return;
    const int x = std::max(0, (ClientWidth() - FView->Width()) / 2);
    const int y = std::max(0, (ClientHeight() - FView->Height()) / 2);
    FView->SetBounds(x, y, FView->Width(), FView->Height());
}

void TCustomClipboardViewer::Resize() {
    TScrollBox::Resize();
    CenterView();
}

void RegisterClipboardViewer() {
    RegisterStandardClasses();
    RegisterClipboardIcon();
    RegisterClasses<TClipboardViewer>();
}
