// Panels and timers.
#include "classlib/ExtCtrls.h"
#include "platform/codepage.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <vector>

void Frame3D(TCanvas* canvas, RECT& rect, TColor topColor, TColor bottomColor, int width) {
    canvas->Pen()->SetWidth(1);
    --rect.bottom;
    --rect.right;
    for (int i = 0; i < width; ++i) {
        canvas->Pen()->SetColor(topColor);
        canvas->Polyline({POINT{rect.left, rect.bottom}, POINT{rect.left, rect.top}, POINT{rect.right, rect.top}});
        canvas->Pen()->SetColor(bottomColor);
        canvas->Polyline({POINT{rect.right, rect.top}, POINT{rect.right, rect.bottom}, POINT{rect.left - 1, rect.bottom}});
        InflateRect(&rect, -1, -1);
    }
    ++rect.bottom;
    ++rect.right;
}

// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                   csReplicatable;
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
}

void TCustomPanel::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.Style |= WS_CLIPCHILDREN;
    if (FBorderStyle == bsSingle) {
        if (NewStyleControls && FCtl3D) p.ExStyle |= WS_EX_CLIENTEDGE;
        else p.Style |= WS_BORDER;
    }
    p.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::SetBevelInner(TBevelCut v) {
    if (FBevelInner == v) return;
    FBevelInner = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut v) {
    if (FBevelOuter == v) return;
    FBevelOuter = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int v) {
    if (FBevelWidth == v) return;
    FBevelWidth = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int v) {
    if (FBorderWidth == v) return;
    FBorderWidth = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TFormBorderStyle v) {
    if (FBorderStyle == v) return;
    FBorderStyle = v;
    RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    Invalidate();
}

void TCustomPanel::AlignControls(TControl* c, RECT& r) {
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    InflateRect(&r, -inset, -inset);
    TCustomControl::AlignControls(c, r);
}

void TCustomPanel::Paint() {
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    auto colours = [](TBevelCut cut, TColor& top, TColor& bottom) {
        top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    c->Brush()->SetColor(FColor);
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    TColor top, bottom;
    if (FBevelOuter != bvNone) {
        colours(FBevelOuter, top, bottom);
        Frame3D(c, r, top, bottom, FBevelWidth);
    }
    Frame3D(c, r, FColor, FColor, FBorderWidth);
    if (FBevelInner != bvNone) {
        colours(FBevelInner, top, bottom);
        Frame3D(c, r, top, bottom, FBevelWidth);
    }
    const String caption = GetText();
    if (caption.empty()) return;
    c->SetFont(FFont);
    c->Brush()->SetStyle(bsClear);
    HDC dc = c->Handle();
    c->TextExtent(" ");
    SetBkMode(dc, TRANSPARENT);
    const std::u16string text = platform::ansiToWide(caption);
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    flags |= FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
}

void TCustomPanel::Dispatch(TMessage& m) {
    if (m.Msg == CM_TEXTCHANGED) {
        Invalidate();
        return;
    }
    TCustomControl::Dispatch(m);
}

// TTimer

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    FWindowHandle = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

TTimer::~TTimer() {
    FEnabled = false;
    UpdateTimer();
    DeallocateHWnd(FWindowHandle);
}

void TTimer::UpdateTimer() {
    KillTimer(FWindowHandle, 1);
    if (FInterval != 0 && FEnabled && FOnTimer) SetTimer(FWindowHandle, 1, FInterval, nullptr);
}

void TTimer::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned v) {
    if (v == FInterval) return;
    FInterval = v;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent v) {
    FOnTimer = v;
    UpdateTimer();
}

void TTimer::Timer() {
    if (FOnTimer) FOnTimer(this);
}

void TTimer::WndProc(TMessage& m) {
    if (m.Msg == WM_TIMER) {
        try {
            Timer();
        } catch (std::exception& e) {
            if (Application) Application->HandleException(this, e);
        }
        return;
    }
    m.Result = DefWindowProcA(FWindowHandle, m.Msg, m.WParam, m.LParam);
}


// TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(new TPicture) {
    ControlStyle |= csReplicatable;
    FWidth = 105;
    FHeight = 105;
    FPicture->OnChange = TNotifyEvent([this](TObject*) { PictureChanged(); });
}

TImage::~TImage() {
    FPicture->OnChange = TNotifyEvent();
    delete FPicture;
}

void TImage::ReplacePicture(TPicture* Picture) {
    if (!Picture || Picture == FPicture) return;
    Picture->OnChange = TNotifyEvent();
    if (FPicture->Graphic()) Picture->Assign(FPicture);
    Picture->OnChange = FPicture->OnChange;
    FPicture->OnChange = TNotifyEvent();
    delete FPicture;
    FPicture = Picture;
}

void TImage::PictureChanged() {
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(FLeft, FTop, FPicture->Width(), FPicture->Height());
    Invalidate();
}

void TImage::LoadImage(QImage image, const String& what) {
    if (image.isNull()) throw EInvalidGraphic("Cannot read the picture " + what);
    // Pixels with transparency are laid over the button face colour.
    if (image.hasAlphaChannel()) {
        const COLORREF face = ColorToRGB(clBtnFace);
        QImage back(image.size(), QImage::Format_RGB32);
        back.fill(QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
        QPainter p(&back);
        p.drawImage(0, 0, image);
        p.end();
        image = back;
    }
    image = image.convertToFormat(QImage::Format_RGB888);
    const int w = image.width();
    const int h = image.height();
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t(3);
    std::vector<BYTE> bits(stride * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        const uchar* src = image.constScanLine(y);
        BYTE* dst = bits.data() + stride * static_cast<std::size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            dst[x * 3] = src[x * 3 + 2];
            dst[x * 3 + 1] = src[x * 3 + 1];
            dst[x * 3 + 2] = src[x * 3];
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    TBitmap bitmap;
    bitmap.WriteDib(&info, bits.data());
    FPicture->SetGraphic(&bitmap);
}

void TImage::LoadFromFile(const String& FileName) {
    // Read by the file's own bytes (names that are not UTF-8 open; a FIFO is refused).
    TMemoryStream data;
    try {
        data.LoadFromFile(FileName);
    } catch (const EFOpenError&) {
        throw EInvalidGraphic("Cannot read the picture " + FileName);
    }
    const auto* bytes = static_cast<const uchar*>(data.Memory());
    LoadImage(QImage::fromData(bytes, static_cast<int>(data.Size())), FileName);
}

void TImage::LoadFromResource(const String& Path) {
    QString p = QString::fromUtf8(Path.c_str());
    if (!p.startsWith(QLatin1Char(':'))) p.prepend(QLatin1Char(':'));
    LoadImage(QImage(p), Path);
}

void TImage::SetPictureResource(const String& Path) {
    FPictureResource = Path;
    if (Path.empty()) FPicture->SetGraphic(nullptr);
    else LoadFromResource(Path);
}

void TImage::SetAutoSize(bool v) {
    FAutoSize = v;
    PictureChanged();
}

void TImage::SetCenter(bool v) {
    if (FCenter == v) return;
    FCenter = v;
    Invalidate();
}

void TImage::SetStretch(bool v) {
    if (FStretch == v) return;
    FStretch = v;
    Invalidate();
}

void TImage::SetProportional(bool v) {
    if (FProportional == v) return;
    FProportional = v;
    Invalidate();
}

void TImage::SetTransparent(bool v) {
    if (FTransparent == v) return;
    FTransparent = v;
    if (v) ControlStyle &= ~csOpaque;
    Invalidate();
}

RECT TImage::DestRect() const {
    int w = FPicture->Width();
    int h = FPicture->Height();
    const int cw = FWidth;
    const int ch = FHeight;
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            // Fit inside the control, keeping the proportions.
            if (static_cast<long long>(cw) * h > static_cast<long long>(ch) * w) {
                w = static_cast<int>(static_cast<long long>(ch) * w / h);
                h = ch;
            } else {
                h = static_cast<int>(static_cast<long long>(cw) * h / w);
                w = cw;
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    RECT r{0, 0, w, h};
    if (FCenter) OffsetRect(&r, (cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* g = FPicture->Graphic();
    if (!g || g->Empty()) return;
    g->SetTransparent(FTransparent);
    const RECT dest = DestRect();
    if (FEnabled) {
        Canvas()->StretchDraw(dest, g);
        return;
    }
    // Disabled: the picture (over what lies beneath it) in light, flat grey.
    const int w = dest.right - dest.left, h = dest.bottom - dest.top;
    if (w <= 0 || h <= 0) return;
    TBitmap work;
    work.SetPixelFormat(pf24bit);
    work.SetSize(w, h);
    const RECT all{0, 0, w, h};
    work.Canvas()->CopyRect(all, Canvas(), dest);
    work.Canvas()->StretchDraw(all, g);
    std::vector<BYTE> info, bits;
    if (!work.ReadDib(info, bits)) return;
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
    for (int y = 0; y < h; ++y) {
        BYTE* p = bits.data() + stride * static_cast<std::size_t>(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const int luma = (77 * p[2] + 150 * p[1] + 29 * p[0]) / 256;
            p[0] = p[1] = p[2] = static_cast<BYTE>(128 + luma / 2);
        }
    }
    StretchDIBits(Canvas()->Handle(), dest.left, dest.top, w, h, 0, 0, w, h, bits.data(),
                  reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);
}

// TPaintBox

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle |= csReplicatable;
    FWidth = 105;
    FHeight = 105;
}

void TPaintBox::Paint() {
    TCanvas* c = Canvas();
    c->SetFont(FFont);
    c->Brush()->SetColor(FColor);
    if (OnPaint) OnPaint(this);
}

// TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle |= csReplicatable;
    FWidth = 50;
    FHeight = 50;
}

void TBevel::SetShape(TBevelShape v) {
    if (FShape == v) return;
    FShape = v;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle v) {
    if (FStyle == v) return;
    FStyle = v;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* c = Canvas();
    const TColor dark = clBtnShadow;
    const TColor light = clBtnHighlight;
    const TColor first = FStyle == bsLowered ? dark : light;
    const TColor second = FStyle == bsLowered ? light : dark;
    c->Pen()->SetWidth(1);
    auto line = [c](TColor col, int x1, int y1, int x2, int y2) {
        c->Pen()->SetColor(col);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    const int w = FWidth;
    const int h = FHeight;
    switch (FShape) {
    case bsBox: {
        RECT r{0, 0, w, h};
        Frame3D(c, r, first, second, 1);
        break;
    }
    case bsFrame: {
        RECT r{1, 1, w, h};
        Frame3D(c, r, second, second, 1);
        r = RECT{0, 0, w - 1, h - 1};
        Frame3D(c, r, first, first, 1);
        break;
    }
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer: break;
    }
}

// TShape

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner), FPen(new TPen), FBrush(new TBrush) {
    ControlStyle |= csReplicatable;
    FWidth = 65;
    FHeight = 65;
    FPen->OnChange = TNotifyEvent([this](TObject*) { Invalidate(); });
    FBrush->OnChange = TNotifyEvent([this](TObject*) { Invalidate(); });
}

TShape::~TShape() {
    FPen->OnChange = TNotifyEvent();
    FBrush->OnChange = TNotifyEvent();
    delete FPen;
    delete FBrush;
}

void TShape::SetShape(TShapeType v) {
    if (FShape == v) return;
    FShape = v;
    Invalidate();
}

void TShape::Paint() {
    TCanvas* c = Canvas();
    c->Pen()->Assign(FPen);
    c->Brush()->Assign(FBrush);
    const int pw = FPen->Width();
    int x = pw / 2;
    int y = x;
    int w = FWidth - pw + 1;
    int h = FHeight - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    if (w < h && (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle)) {
        y += (h - w) / 2;
        h = w;
    } else if (h < w && (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle)) {
        x += (w - h) / 2;
        w = h;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare:
    case stRoundRect:
    case stRoundSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stEllipse:
    case stCircle: c->Ellipse(x, y, x + w, y + h); break;
    }
}

// TCustomRadioGroup

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner) : TCustomGroupBox(AOwner), FItems(new TStringList) {
    ControlStyle = csSetCaption | csDoubleClicks;
    FItems->OnChange = TNotifyEvent([this](TObject*) {
        if (!ComponentState().Contains(csLoading)) UpdateButtons();
    });
}

TCustomRadioGroup::~TCustomRadioGroup() {
    FItems->OnChange = TNotifyEvent();
    delete FItems;
}

void TCustomRadioGroup::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    // The buttons belong to the group and are not written.
    TCustomGroupBox::GetChildren(Proc, Root);
}

void TCustomRadioGroup::Loaded() {
    TCustomGroupBox::Loaded();
    UpdateButtons();
}

void TCustomRadioGroup::Resize() {
    TCustomGroupBox::Resize();
    ArrangeButtons();
}

void TCustomRadioGroup::UpdateButtons() {
    FUpdating = true;
    while (static_cast<int>(FButtons.size()) > FItems->Count()) {
        TRadioButton* b = FButtons.back();
        FButtons.pop_back();
        delete b;
    }
    while (static_cast<int>(FButtons.size()) < FItems->Count()) {
        auto* b = new TRadioButton(this);
        b->SetParent(this);
        b->OnClick = TNotifyEvent(this, &TCustomRadioGroup::ButtonClick);
        FButtons.push_back(b);
    }
    if (FItemIndex >= FItems->Count()) FItemIndex = FItems->Count() - 1;
    for (std::size_t i = 0; i < FButtons.size(); ++i) {
        FButtons[i]->SetCaption(FItems->Strings(static_cast<int>(i)));
        FButtons[i]->SetEnabled(FEnabled);
        FButtons[i]->SetChecked(static_cast<int>(i) == FItemIndex);
    }
    FUpdating = false;
    ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons() {
    const int n = static_cast<int>(FButtons.size());
    if (n == 0) return;
    const int columns = std::max(1, FColumns);
    const int rows = (n + columns - 1) / columns;
    const int top = 16;
    const int colWidth = std::max(1, (FWidth - 10) / columns);
    const int rowHeight = std::max(1, (FHeight - top - 4) / rows);
    for (int i = 0; i < n; ++i) {
        const int col = i / rows;
        const int row = i % rows;
        const int h = std::min(rowHeight, 20);
        FButtons[static_cast<std::size_t>(i)]->SetBounds(8 + col * colWidth, top + row * rowHeight + (rowHeight - h) / 2,
                                                         colWidth - 4, h);
    }
}

void TCustomRadioGroup::ButtonClick(TObject* Sender) {
    if (FUpdating) return;
    for (std::size_t i = 0; i < FButtons.size(); ++i)
        if (FButtons[i] == Sender) FItemIndex = static_cast<int>(i);
    Click();
}

void TCustomRadioGroup::SetItemIndex(int v) {
    if (ComponentState().Contains(csLoading)) {
        FItemIndex = v;
        return;
    }
    v = std::clamp(v, -1, static_cast<int>(FButtons.size()) - 1);
    if (v == FItemIndex) return;
    if (FItemIndex >= 0 && FItemIndex < static_cast<int>(FButtons.size())) {
        FUpdating = true;
        FButtons[static_cast<std::size_t>(FItemIndex)]->SetChecked(false);
        FUpdating = false;
    }
    FItemIndex = v;
    if (v >= 0) FButtons[static_cast<std::size_t>(v)]->SetChecked(true);
}

void TCustomRadioGroup::SetColumns(int v) {
    v = std::clamp(v, 1, 16);
    if (FColumns == v) return;
    FColumns = v;
    ArrangeButtons();
}

