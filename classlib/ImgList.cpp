// Image lists of the class library.
#include "classlib/ImgList.h"
#include "platform/winicon.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace {

COLORREF rgbOf(TColor c) {
    if (c == clNone) return CLR_NONE;
    if (c == clDefault) return CLR_DEFAULT;
    return ColorToRGB(c);
}

TColor colorOf(COLORREF c) {
    if (c == CLR_NONE) return clNone;
    if (c == CLR_DEFAULT) return clDefault;
    return static_cast<TColor>(c);
}

UINT styleOf(TDrawingStyle style, TImageType type) {
    UINT s = ILD_NORMAL;
    switch (style) {
    case dsFocus: s = ILD_FOCUS; break;
    case dsSelected: s = ILD_SELECTED; break;
    case dsTransparent: s = ILD_TRANSPARENT; break;
    case dsNormal: break;
    }
    return type == itMask ? s | ILD_MASK : s;
}

// An icon file image holding one picture as PNG data.
std::vector<BYTE> iconFileOf(const QImage& picture) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    const auto side = [](int v) { return static_cast<BYTE>(v >= 256 ? 0 : v); };
    std::vector<BYTE> file = {0, 0, 1, 0, 1, 0, side(picture.width()), side(picture.height()), 0, 0, 1, 0, 32, 0};
    const auto put32 = [&file](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file.push_back(static_cast<BYTE>((v >> (8 * i)) & 0xFF));
    };
    put32(static_cast<std::uint32_t>(png.size()));
    put32(22);
    file.insert(file.end(), png.begin(), png.end());
    return file;
}

// A disabled image: its shape (by its coverage) in `colour`.
QImage silhouette(const QImage& picture, COLORREF colour) {
    QImage out(picture.size(), QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            o[x] = qRgba(GetRValue(colour), GetGValue(colour), GetBValue(colour), qAlpha(in[x]));
    }
    return out;
}

void drawPicture(HDC dc, int x, int y, const QImage& picture) {
    HICON icon = platform::iconFromImage(picture);
    DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
}

}  // namespace

// TChangeLink

TChangeLink::~TChangeLink() {
    if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (OnChange) OnChange(FSender);
}

// TCustomImageList

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) { Initialize(16, 16); }

TCustomImageList::TCustomImageList(int AWidth, int AHeight, TComponent* AOwner) : TComponent(AOwner) {
    Initialize(AWidth, AHeight);
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : std::vector<TChangeLink*>(FClients)) UnRegisterChanges(link);
    FreeHandle();
}

void TCustomImageList::Initialize(int AWidth, int AHeight) {
    if (AWidth < 1 || AHeight < 1) throw EInvalidOperation(SInvalidImageSize);
    FWidth = AWidth;
    FHeight = AHeight;
}

UINT TCustomImageList::CreationFlags() const { return ILC_COLORDDB | (FMasked ? ILC_MASK : 0); }

void TCustomImageList::CreateImageList() {
    FHandle = ImageList_Create(FWidth, FHeight, CreationFlags(), FAllocBy, FAllocBy);
    if (!FHandle) throw EInvalidOperation(SInvalidImageSize);
    ImageList_SetBkColor(FHandle, rgbOf(FBkColor));
}

void TCustomImageList::HandleNeeded() {
    if (!FHandle) CreateImageList();
}

void TCustomImageList::FreeHandle() {
    if (FHandle && !FShareImages) ImageList_Destroy(FHandle);
    FHandle = nullptr;
}

HIMAGELIST TCustomImageList::Handle() {
    HandleNeeded();
    return FHandle;
}

void TCustomImageList::SetHandle(HIMAGELIST Value) {
    if (Value == FHandle) return;
    FreeHandle();
    FHandle = Value;
    if (FHandle) {
        int cx = FWidth, cy = FHeight;
        ImageList_GetIconSize(FHandle, &cx, &cy);
        FWidth = cx;
        FHeight = cy;
        FBkColor = colorOf(ImageList_GetBkColor(FHandle));
    }
    Change();
}

HIMAGELIST TCustomImageList::ReleaseHandle() {
    HIMAGELIST h = FHandle;
    FHandle = nullptr;
    Change();
    return h;
}

void TCustomImageList::Recreate() {
    if (!FHandle) return;
    HIMAGELIST old = FHandle;
    const bool shared = FShareImages;
    const int n = ImageList_GetImageCount(old);
    FHandle = nullptr;
    CreateImageList();
    ImageList_SetImageCount(FHandle, static_cast<UINT>(n));
    for (int i = 0; i < n; ++i) ImageList_Copy(FHandle, i, old, i, ILCF_MOVE);
    // The new handle is this list's own.
    if (!shared) ImageList_Destroy(old);
    FShareImages = false;
}

void TCustomImageList::SetNewDimensions(int AWidth, int AHeight) {
    if (AWidth < 1 || AHeight < 1) throw EInvalidOperation(SInvalidImageSize);
    if (AWidth == FWidth && AHeight == FHeight) return;
    FWidth = AWidth;
    FHeight = AHeight;
    if (FHandle) {
        if (FShareImages) {
            // A shared list is not changed: the list gets its own.
            FHandle = nullptr;
            FShareImages = false;
        } else {
            ImageList_SetIconSize(FHandle, FWidth, FHeight);
        }
    }
    Change();
}

void TCustomImageList::SetWidth(int v) { SetNewDimensions(v, FHeight); }
void TCustomImageList::SetHeight(int v) { SetNewDimensions(FWidth, v); }

void TCustomImageList::SetMasked(bool v) {
    if (FMasked == v) return;
    FMasked = v;
    Recreate();
    Change();
}

void TCustomImageList::SetShareImages(bool v) { FShareImages = v; }

TColor TCustomImageList::BkColor() {
    if (FHandle) FBkColor = colorOf(ImageList_GetBkColor(FHandle));
    return FBkColor;
}

void TCustomImageList::SetBkColor(TColor v) {
    FBkColor = v;
    if (FHandle) ImageList_SetBkColor(FHandle, rgbOf(v));
    Change();
}

void TCustomImageList::SetBlendColor(TColor v) {
    if (FBlendColor == v) return;
    FBlendColor = v;
    Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle v) {
    if (FDrawingStyle == v) return;
    FDrawingStyle = v;
    Change();
}

void TCustomImageList::SetImageType(TImageType v) {
    if (FImageType == v) return;
    FImageType = v;
    Change();
}

int TCustomImageList::Count() { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TCustomImageList::CheckImage(int Index) {
    if (Index < 0 || Index >= Count()) throw EInvalidOperation(SImageIndexError);
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
    if (!Image) return -1;
    HandleNeeded();
    const int r = ImageList_Add(FHandle, Image->Handle(), Mask ? Mask->Handle() : nullptr);
    if (r >= 0) Change();
    return r;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    if (!Image) return -1;
    HandleNeeded();
    const int r = ImageList_AddMasked(FHandle, Image->Handle(), rgbOf(MaskColor));
    if (r >= 0) Change();
    return r;
}

int TCustomImageList::AddIcon(TIcon* Image) {
    if (!Image || Image->Empty()) return -1;
    HandleNeeded();
    HICON icon = platform::iconFromImage(Image->Image());
    const int r = ImageList_AddIcon(FHandle, icon);
    DestroyIcon(icon);
    if (r >= 0) Change();
    return r;
}

void TCustomImageList::AddImages(TCustomImageList* Value) {
    if (!Value || Value == this || !Value->HandleAllocated()) return;
    HandleNeeded();
    BeginUpdate();
    for (int i = 0; i < Value->Count(); ++i) {
        HICON icon = ImageList_GetIcon(Value->Handle(), i, ILD_TRANSPARENT);
        ImageList_AddIcon(FHandle, icon);
        DestroyIcon(icon);
    }
    Change();
    EndUpdate();
}

void TCustomImageList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    CheckImage(CurIndex);
    CheckImage(NewIndex);
    const int step = NewIndex > CurIndex ? 1 : -1;
    for (int i = CurIndex; i != NewIndex; i += step) ImageList_Copy(FHandle, i + step, FHandle, i, ILCF_SWAP);
    Change();
}

void TCustomImageList::Insert(int Index, TBitmap* Image, TBitmap* Mask) {
    if (Index < 0 || Index > Count()) throw EInvalidOperation(SImageIndexError);
    BeginUpdate();
    const int added = Add(Image, Mask);
    if (added >= 0) Move(added, Index);
    EndUpdate();
}

void TCustomImageList::InsertMasked(int Index, TBitmap* Image, TColor MaskColor) {
    if (Index < 0 || Index > Count()) throw EInvalidOperation(SImageIndexError);
    BeginUpdate();
    const int added = AddMasked(Image, MaskColor);
    if (added >= 0) Move(added, Index);
    EndUpdate();
}

void TCustomImageList::InsertIcon(int Index, TIcon* Image) {
    if (Index < 0 || Index > Count()) throw EInvalidOperation(SImageIndexError);
    BeginUpdate();
    const int added = AddIcon(Image);
    if (added >= 0) Move(added, Index);
    EndUpdate();
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
    CheckImage(Index);
    if (!Image || !ImageList_Replace(FHandle, Index, Image->Handle(), Mask ? Mask->Handle() : nullptr))
        throw EInvalidOperation(SReplaceImage);
    Change();
}

void TCustomImageList::ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor) {
    CheckImage(Index);
    HIMAGELIST one = ImageList_Create(FWidth, FHeight, CreationFlags(), 1, 1);
    const bool ok = NewImage && ImageList_AddMasked(one, NewImage->Handle(), rgbOf(MaskColor)) == 0 &&
                    ImageList_Copy(FHandle, Index, one, 0, ILCF_MOVE);
    ImageList_Destroy(one);
    if (!ok) throw EInvalidOperation(SReplaceImage);
    Change();
}

void TCustomImageList::ReplaceIcon(int Index, TIcon* Image) {
    CheckImage(Index);
    HICON icon = Image && !Image->Empty() ? platform::iconFromImage(Image->Image()) : nullptr;
    const int r = ImageList_ReplaceIcon(FHandle, Index, icon);
    DestroyIcon(icon);
    if (r < 0) throw EInvalidOperation(SReplaceImage);
    Change();
}

void TCustomImageList::Delete(int Index) {
    CheckImage(Index);
    ImageList_Remove(FHandle, Index);
    Change();
}

void TCustomImageList::Clear() {
    if (FHandle) ImageList_Remove(FHandle, -1);
    Change();
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
    Draw(Canvas, X, Y, Index, FDrawingStyle, FImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle,
                            TImageType AImageType, bool Enabled) {
    if (!FHandle || !Canvas) return;
    DoDraw(Index, Canvas, X, Y, styleOf(ADrawingStyle, AImageType), Enabled);
}

void TCustomImageList::DrawOverlay(TCanvas* Canvas, int X, int Y, int ImageIndex, TOverlay Overlay, bool Enabled) {
    if (!FHandle || !Canvas || Overlay < 0 || Overlay > 14) return;
    DoDraw(ImageIndex, Canvas, X, Y, styleOf(FDrawingStyle, FImageType) | INDEXTOOVERLAYMASK(static_cast<UINT>(Overlay) + 1),
           Enabled);
}

void TCustomImageList::DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled) {
    HDC dc = Canvas->Handle();
    if (Enabled) {
        ImageList_DrawEx(FHandle, Index, dc, X, Y, 0, 0, rgbOf(BkColor()), rgbOf(FBlendColor), Style);
        return;
    }
    // Greyed: the shape in the highlight colour one pixel down and right, then in the shadow colour.
    HICON icon = ImageList_GetIcon(FHandle, Index, (Style & ILD_OVERLAYMASK) | ILD_TRANSPARENT);
    const QImage picture = platform::iconImage(icon);
    DestroyIcon(icon);
    if (picture.isNull()) return;
    drawPicture(dc, X + 1, Y + 1, silhouette(picture, ColorToRGB(clBtnHighlight)));
    drawPicture(dc, X, Y, silhouette(picture, ColorToRGB(clBtnShadow)));
}

bool TCustomImageList::Overlay(int ImageIndex, TOverlay Overlay) {
    if (!FHandle || Overlay < 0 || Overlay > 14) return false;
    const bool ok = ImageList_SetOverlayImage(FHandle, ImageIndex, Overlay + 1) != FALSE;
    if (ok) Change();
    return ok;
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
    if (!Image) return;
    CheckImage(Index);
    Image->SetSize(FWidth, FHeight);
    TCanvas* c = Image->Canvas();
    c->Brush()->SetColor(BkColor() == clNone ? clBtnFace : BkColor());
    c->FillRect(RECT{0, 0, FWidth, FHeight});
    ImageList_Draw(FHandle, Index, c->Handle(), 0, 0, ILD_TRANSPARENT);
}

void TCustomImageList::GetIcon(int Index, TIcon* Image) {
    if (!Image) return;
    CheckImage(Index);
    HICON icon = ImageList_GetIcon(FHandle, Index, ILD_TRANSPARENT);
    const QImage picture = platform::iconImage(icon);
    DestroyIcon(icon);
    const std::vector<BYTE> file = iconFileOf(picture);
    Image->LoadFromData(file.data(), file.size());
}

void TCustomImageList::BeginUpdate() { ++FUpdateCount; }

void TCustomImageList::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount == 0 && FChanged) Change();
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
    if (!Value) return;
    if (Value->Sender() && Value->Sender() != this) Value->Sender()->UnRegisterChanges(Value);
    Value->SetSender(this);
    if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end()) FClients.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
    const auto it = std::find(FClients.begin(), FClients.end(), Value);
    if (it == FClients.end()) return;
    FClients.erase(it);
    Value->SetSender(nullptr);
}

void TCustomImageList::Change() {
    if (FUpdateCount > 0) {
        FChanged = true;
        return;
    }
    FChanged = false;
    if (ComponentState().Contains(csLoading)) return;
    for (TChangeLink* link : std::vector<TChangeLink*>(FClients))
        if (std::find(FClients.begin(), FClients.end(), link) != FClients.end()) link->Change();
    if (OnChange) OnChange(this);
}

void TCustomImageList::Loaded() {
    TComponent::Loaded();
    Change();
}

void TCustomImageList::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TCustomImageList*>(Source);
    if (!other) {
        TComponent::Assign(Source);
        return;
    }
    if (other == this) return;
    BeginUpdate();
    FreeHandle();
    FWidth = other->FWidth;
    FHeight = other->FHeight;
    FMasked = other->FMasked;
    FAllocBy = other->FAllocBy;
    FBlendColor = other->FBlendColor;
    FDrawingStyle = other->FDrawingStyle;
    FImageType = other->FImageType;
    FBkColor = other->FBkColor;
    // A shared list is shared again; an own list is copied.
    FShareImages = other->FShareImages;
    if (other->FHandle) FHandle = FShareImages ? other->FHandle : ImageList_Duplicate(other->FHandle);
    Change();
    EndUpdate();
}

bool TCustomImageList::Equal(TCustomImageList* Other) {
    if (!Other) return false;
    if (FHandle == Other->FHandle) return true;
    std::vector<BYTE> a, b;
    if (!FHandle || !Other->FHandle) return Count() == Other->Count();
    return platform::writeImageList(FHandle, a) && platform::writeImageList(Other->FHandle, b) && a == b;
}

void TCustomImageList::DefineProperties(TFiler* Filer) {
    TComponent::DefineProperties(Filer);
    bool hasData = FHandle && Count() > 0;
    if (auto* ancestor = dynamic_cast<TCustomImageList*>(Filer->Ancestor())) hasData = !Equal(ancestor);
    Filer->DefineBinaryProperty("Bitmap", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); },
                                hasData);
}

void TCustomImageList::ReadData(TStream* Stream) {
    const Int64 size = Stream->Size() - Stream->Position();
    if (size <= 0 || size > (Int64(1) << 30)) throw EReadError(SImageReadFail);
    std::vector<BYTE> bytes(static_cast<std::size_t>(size));
    Stream->ReadBuffer(bytes.data(), size);
    HIMAGELIST read = platform::readImageList(bytes.data(), bytes.size());
    if (!read) throw EReadError(SImageReadFail);
    SetHandle(read);
}

void TCustomImageList::WriteData(TStream* Stream) {
    std::vector<BYTE> bytes;
    if (!platform::writeImageList(Handle(), bytes)) throw EWriteError(SImageWriteFail);
    Stream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}
