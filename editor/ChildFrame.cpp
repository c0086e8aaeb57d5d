// The document view: layout, mouse routing, painting with a kept image of the visible
// part, the marks over the picture and the ants' timer.
#include "editor/ChildFrame.h"

#include "poster/Pixwerk.h"

#include <algorithm>
#include <cstring>

// ---- Paint box and scroll box ----

void TDocPaintBox::Invalidate() {
    if (View) View->InvalidateCache();
    TPaintBox::Invalidate();
}

void TDocScrollBox::WndProc(TMessage& m) {
    if (View && m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK && m.Msg != WM_MOUSEWHEEL) {
        const POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        if (View->RouteMouse(m.Msg, m.WParam, p)) {
            m.Result = 0;
            return;
        }
    }
    TScrollBox::WndProc(m);
}

void TDocScrollBox::KeyDown(WORD& Key, TShiftState Shift) {
    TScrollBox::KeyDown(Key, Shift);
    if (View && (Key == VK_SHIFT || Key == VK_CONTROL)) View->ModifierKeysChanged(Shift);
}

void TDocScrollBox::KeyUp(WORD& Key, TShiftState Shift) {
    TScrollBox::KeyUp(Key, Shift);
    if (View && (Key == VK_SHIFT || Key == VK_CONTROL)) View->ModifierKeysChanged(Shift);
}

// ---- The frame ----

TMDIChild::TMDIChild(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 320;
    FHeight = 240;
    ScrollBox1 = new TDocScrollBox(this);
    ScrollBox1->SetName("ScrollBox1");
    ScrollBox1->View = this;
    ScrollBox1->SetParent(this);
    ScrollBox1->SetAlign(alClient);
    ScrollBox1->SetColor(clBtnFace);
    ScrollBox1->SetTabStop(true);
    ScrollBox1->HorzScrollBar()->SetTracking(true);
    ScrollBox1->VertScrollBar()->SetTracking(true);
    ScrollBox1->OnMouseMove = TMouseMoveEvent([this](TObject* s, TShiftState sh, int x, int y) {
        ScrollBox1MouseMove(s, sh, x, y);
    });
    PaintBox1 = new TDocPaintBox(this);
    PaintBox1->SetName("PaintBox1");
    PaintBox1->View = this;
    PaintBox1->SetParent(ScrollBox1);
    PaintBox1->SetBounds(0, 0, 0, 0);
    PaintBox1->SetColor(clBtnFace);
    PaintBox1->OnMouseDown = TMouseEvent([this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        PaintBox1MouseDown(s, b, sh, x, y);
    });
    PaintBox1->OnMouseMove = TMouseMoveEvent([this](TObject* s, TShiftState sh, int x, int y) {
        PaintBox1MouseMove(s, sh, x, y);
    });
    PaintBox1->OnMouseUp = TMouseEvent([this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        PaintBox1MouseUp(s, b, sh, x, y);
    });
    PaintBox1->OnPaint = TNotifyEvent([this](TObject* s) { PaintBox1Paint(s); });
    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetInterval(250);
    Timer1->SetOnTimer(TNotifyEvent([this](TObject* s) { Timer1Timer(s); }));
    SetView(&FAdapter);
}

TMDIChild::~TMDIChild() {
    if (Captured) EndDrag();  // the scroll box still exists here
    SetView(nullptr);
    if (ScrollBox1) ScrollBox1->View = nullptr;
    if (PaintBox1) PaintBox1->View = nullptr;
    FreeCache();
}

void TMDIChild::PaintBox1MouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (ScrollBox1->CanFocus() && !ScrollBox1->Focused()) ScrollBox1->SetFocus();
    TChildDocument::PaintBox1MouseDown(Button, Shift, X, Y);
}

void TMDIChild::PaintBox1MouseMove(TObject*, TShiftState Shift, int X, int Y) {
    TChildDocument::PaintBox1MouseMove(Shift, X, Y);
}

void TMDIChild::PaintBox1MouseUp(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    TChildDocument::PaintBox1MouseUp(Button, Shift, X, Y);
}

void TMDIChild::ScrollBox1MouseMove(TObject*, TShiftState Shift, int X, int Y) {
    TChildDocument::ScrollBox1MouseMove(Shift, X, Y);
}

void TMDIChild::Timer1Timer(TObject*) { TChildDocument::Timer1Timer(); }

bool TMDIChild::RouteMouse(UINT Msg, WPARAM WParam, POINT Client) {
    const long long x = static_cast<long long>(Client.x) - PaintBox1->Left();
    const long long y = static_cast<long long>(Client.y) - PaintBox1->Top();
    const bool over = x >= 0 && y >= 0 && x < PaintBox1->Width() && y < PaintBox1->Height() && PaintBox1->Visible();
    if (!over && !Dragging && !Captured) return false;
    const TShiftState shift = KeysToShiftState(LOWORD(WParam)) | (GetKeyState(VK_MENU) < 0 ? ssAlt : 0);
    const int px = static_cast<int>(x), py = static_cast<int>(y);
    switch (Msg) {
    case WM_MOUSEMOVE:
        if (PaintBox1->OnMouseMove) PaintBox1->OnMouseMove(PaintBox1, shift, px, py);
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: {
        const TMouseButton b = Msg <= WM_LBUTTONDBLCLK ? mbLeft : Msg <= WM_RBUTTONDBLCLK ? mbRight : mbMiddle;
        const bool dbl = Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDBLCLK;
        if (PaintBox1->OnMouseDown) PaintBox1->OnMouseDown(PaintBox1, b, shift | (dbl ? ssDouble : 0), px, py);
        return true;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        const TMouseButton b = Msg == WM_LBUTTONUP ? mbLeft : Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
        if (PaintBox1->OnMouseUp) PaintBox1->OnMouseUp(PaintBox1, b, shift, px, py);
        return true;
    }
    default: return false;
    }
}

// ---- The view for the document ----

int TMDIChild::Adapter::ScrollPos(bool horizontal) const {
    return (horizontal ? v_.ScrollBox1->HorzScrollBar() : v_.ScrollBox1->VertScrollBar())->Position();
}

void TMDIChild::Adapter::SetScrollPos(bool horizontal, int position) {
    (horizontal ? v_.ScrollBox1->HorzScrollBar() : v_.ScrollBox1->VertScrollBar())->SetPosition(position);
}

int TMDIChild::Adapter::ScrollRange(bool horizontal) const {
    TControlScrollBar* bar = horizontal ? v_.ScrollBox1->HorzScrollBar() : v_.ScrollBox1->VertScrollBar();
    return std::max(bar->Range(), horizontal ? v_.PaintBox1->Width() : v_.PaintBox1->Height());
}

SIZE TMDIChild::Adapter::BoxSize() const { return SIZE{v_.ScrollBox1->Width(), v_.ScrollBox1->Height()}; }

SIZE TMDIChild::Adapter::BoxClientSize() const {
    return SIZE{v_.ScrollBox1->ClientWidth(), v_.ScrollBox1->ClientHeight()};
}

SIZE TMDIChild::Adapter::PaintBoxSize() const { return SIZE{v_.PaintBox1->Width(), v_.PaintBox1->Height()}; }

void TMDIChild::Adapter::SetPaintBoxSize(int width, int height) {
    TPaintBox* p = v_.PaintBox1;
    if (p->Width() == width && p->Height() == height) return;
    p->SetBounds(p->Left(), p->Top(), width, height);
    v_.InvalidateCache();
}

void TMDIChild::Adapter::PictureChanged() { v_.PaintBox1->Invalidate(); }

void TMDIChild::Adapter::OverlayChanged() {
    // The kept picture stays; only the marks over it are drawn again.
    if (!v_.ScrollBox1->HandleAllocated()) return;
    const RECT client = v_.ScrollBox1->ClientRect();
    const RECT box = v_.PaintBox1->BoundsRect();
    RECT r{};
    if (IntersectRect(&r, &client, &box)) InvalidateRect(v_.ScrollBox1->Handle(), &r, FALSE);
}

bool TMDIChild::Adapter::CaptureMouse() {
    if (!v_.ScrollBox1->HandleAllocated()) return false;
    HWND box = v_.ScrollBox1->Handle();
    const HWND holder = GetCapture();
    if (holder && holder != box) return false;
    SetCapture(box);
    return true;
}

void TMDIChild::Adapter::ReleaseMouse() {
    if (v_.ScrollBox1->HandleAllocated() && GetCapture() == v_.ScrollBox1->Handle()) ReleaseCapture();
}

void TMDIChild::Adapter::SetToolCursor(int number) {
    if (v_.PaintBox1->Cursor() != number) v_.PaintBox1->SetCursor(number);
}

// ---- Painting ----

void TMDIChild::FreeCache() {
    if (FCacheDC) {
        if (FCacheOld) SelectObject(FCacheDC, FCacheOld);
        DeleteDC(FCacheDC);
    }
    if (FCacheBitmap) DeleteObject(FCacheBitmap);
    FCacheDC = nullptr;
    FCacheBitmap = nullptr;
    FCacheOld = nullptr;
    FCacheWidth = FCacheHeight = 0;
    FCacheValid = false;
    FCachePixelsValid = false;
}

namespace {

BITMAPINFO bgra(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;  // bottom-up
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

}  // namespace

void TMDIChild::RenderCache(const CacheKey& key, int SrcX, int SrcY, int SrcWidth, int SrcHeight) {
    if (!FCacheDC || FCacheWidth != key.width || FCacheHeight != key.height) {
        FreeCache();
        HDC screen = GetDC(nullptr);
        FCacheDC = CreateCompatibleDC(screen);
        FCacheBitmap = CreateCompatibleBitmap(screen, key.width, key.height);
        ReleaseDC(nullptr, screen);
        if (!FCacheDC || !FCacheBitmap) {
            FreeCache();
            return;
        }
        FCacheOld = SelectObject(FCacheDC, FCacheBitmap);
        FCacheWidth = key.width;
        FCacheHeight = key.height;
    }
    // Beside the picture (when it ends inside the view) the paint box's colour.
    const int shownW = std::min<long long>(key.width, static_cast<long long>(PaintBox1->Width()) - key.left);
    const int shownH = std::min<long long>(key.height, static_cast<long long>(PaintBox1->Height()) - key.top);
    if (shownW < key.width || shownH < key.height) {
        const RECT all{0, 0, key.width, key.height};
        FillRect(FCacheDC, &all, GetSysColorBrush(COLOR_BTNFACE));
    }
    DrawDib(FCacheDC, 0, 0, key.width, key.height, Dib.get(), SrcX, SrcY, SrcWidth, SrcHeight, true, SRCCOPY, true,
            nullptr);
    ++FPictureDraws;
    FCacheKey = key;
    FCacheValid = true;
    FCachePixelsValid = false;
}

bool TMDIChild::CachePixels() {
    if (FCachePixelsValid) return true;
    FCachePixels.resize(static_cast<std::size_t>(FCacheWidth) * static_cast<std::size_t>(FCacheHeight));
    BITMAPINFO bi = bgra(FCacheWidth, FCacheHeight);
    FCachePixelsValid = GetDIBits(FCacheDC, FCacheBitmap, 0, static_cast<UINT>(FCacheHeight), FCachePixels.data(),
                                  &bi, DIB_RGB_COLORS) != 0;
    return FCachePixelsValid;
}

void TMDIChild::PaintBox1Paint(TObject* Sender) {
    if (Sender != PaintBox1) {
        // Called by code after a change of the picture.
        TChildDocument::PaintBox1Paint();
        return;
    }
    PaintPicture(PaintBox1->Canvas()->Handle());
}

void TMDIChild::PaintPicture(HDC DC) {
    const TDib& d = Dib.get();
    const int n = ZoomNum, den = ZoomDen;
    if (!d.Bits || !d.Info || n < 1 || den < 1) {
        // No picture: only the background.
        const RECT r{0, 0, PaintBox1->Width(), PaintBox1->Height()};
        FillRect(DC, &r, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    const int h = ScrollBox1->HorzScrollBar()->Position(), v = ScrollBox1->VertScrollBar()->Position();
    const int bx = h / n, by = v / n;
    auto whole = [n](int extent) { return extent % n ? extent + n - extent % n : extent; };
    const int W = whole(ScrollBox1->ClientWidth() + h % n), H = whole(ScrollBox1->ClientHeight() + v % n);
    if (W <= 0 || H <= 0) return;
    const long long x0 = static_cast<long long>(n) * bx, y0 = static_cast<long long>(n) * by;
    const int srcX = static_cast<int>(x0 * den / n), srcW = static_cast<int>(static_cast<long long>(W) * den / n);
    const int S = static_cast<int>(static_cast<long long>(H) * den / n);
    const int srcY = DibHeight(d) - S - static_cast<int>(y0 * den / n);
    const CacheKey key{d.Bits, n, den, static_cast<int>(x0), static_cast<int>(y0), W, H};
    if (!FCacheValid || !(key == FCacheKey)) RenderCache(key, srcX, srcY, srcW, S);
    if (!FCacheValid) {
        DrawDib(DC, key.left, key.top, W, H, d, srcX, srcY, srcW, S, true, SRCCOPY, true, nullptr);
        return;
    }
    PaintOverlay(DC, key);
}

void TMDIChild::PaintOverlay(HDC DC, const CacheKey& key) {
    if (SelActive && !OutlinePoints.empty() && CachePixels()) {
        // The ants go into a copy of the kept picture, shown in one piece.
        FCompose = FCachePixels;
        std::uint32_t* out = FCompose.data();
        const RECT visible{key.left, key.top, key.left + key.width, key.top + key.height};
        ForEachAnt(visible, [&](int vx, int vy, int size, bool white) {
            const std::uint32_t c = white ? 0x00FFFFFFu : 0u;
            const int xl = std::max(vx, key.left) - key.left, xr = std::min(vx + size, key.left + key.width) - key.left;
            const int yt = std::max(vy, key.top) - key.top, yb = std::min(vy + size, key.top + key.height) - key.top;
            for (int y = yt; y < yb; ++y) {
                std::uint32_t* row = out + static_cast<std::size_t>(key.height - 1 - y) * key.width;
                std::fill(row + xl, row + xr, c);
            }
        });
        const BITMAPINFO bi = bgra(key.width, key.height);
        SetDIBitsToDevice(DC, key.left, key.top, static_cast<DWORD>(key.width), static_cast<DWORD>(key.height), 0, 0,
                          0, static_cast<UINT>(key.height), out, &bi, DIB_RGB_COLORS);
    } else {
        BitBlt(DC, key.left, key.top, key.width, key.height, FCacheDC, 0, 0, SRCCOPY);
    }

    // Rubber band, free-selection stroke and clone cross-hair: a white pen that inverts.
    const bool stroke = ToolState == 5 && Dragging && !FreeSelPolygons.A.empty() && FreeSelPolygons.A.front().size() > 1;
    if (Feedback.Kind == TFeedback::None && !stroke && !CrossHairShown) return;
    const int oldRop = SetROP2(DC, R2_XORPEN);
    HGDIOBJ oldPen = SelectObject(DC, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(DC, GetStockObject(NULL_BRUSH));
    const POINT a = Feedback.A, b = Feedback.B;
    switch (Feedback.Kind) {
    case TFeedback::Line:
        MoveToEx(DC, a.x, a.y, nullptr);
        LineTo(DC, b.x, b.y);
        break;
    case TFeedback::Rectangle: Rectangle(DC, a.x, a.y, b.x, b.y); break;
    case TFeedback::Ellipse: ScreenEllipse(DC, a.x, a.y, b.x - 1, b.y - 1); break;
    case TFeedback::None: break;
    }
    if (stroke) {
        const std::vector<POINT>& pts = FreeSelPolygons.A.front();
        Polyline(DC, pts.data(), static_cast<int>(pts.size()));
    }
    if (CrossHairShown) {
        MoveToEx(DC, CrossHair.x - 10, CrossHair.y - 10, nullptr);
        LineTo(DC, CrossHair.x + 10, CrossHair.y + 10);
        MoveToEx(DC, CrossHair.x + 10, CrossHair.y - 10, nullptr);
        LineTo(DC, CrossHair.x - 10, CrossHair.y + 10);
    }
    SelectObject(DC, oldBrush);
    SelectObject(DC, oldPen);
    SetROP2(DC, oldRop);
}

void RegisterEditorViewClasses() { RegisterClasses<TMDIChild, TDocScrollBox, TDocPaintBox>(); }
