// Image lists of the class library: TCustomImageList over the platform's image list, with
// change links for the controls that show one, and TImageList for layouts, which store
// the images as the binary property "Bitmap".
#pragma once

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "platform/commctrl.h"

#include <vector>

class TCustomImageList;

// A control's link to an image list it shows: the list calls Change on every change, and
// the control redraws. A link registered with a list leaves it when it is destroyed.
class TChangeLink : public TObject {
    Q_OBJECT
public:
    TChangeLink() = default;
    ~TChangeLink() override;
    TCustomImageList* Sender() const { return FSender; }
    void SetSender(TCustomImageList* Value) { FSender = Value; }
    virtual void Change();

    TNotifyEvent OnChange;

private:
    TCustomImageList* FSender = nullptr;
};

namespace ImgListEnums {
Q_NAMESPACE
enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
Q_ENUM_NS(TDrawingStyle)
enum TImageType { itImage, itMask };
Q_ENUM_NS(TImageType)
}  // namespace ImgListEnums
using ImgListEnums::TDrawingStyle;
using enum ImgListEnums::TDrawingStyle;
using ImgListEnums::TImageType;
using enum ImgListEnums::TImageType;

// An overlay of an image list: 0 to 3 (overlay images 1 to 4 of the platform's list).
using TOverlay = int;

// A list of images of one size. Bad indexes raise EInvalidOperation; a list that cannot be
// made (a size of 0) raises it too. With ShareImages the handle is not destroyed with the
// list (shared lists such as the system image list).
class TCustomImageList : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int AllocBy READ AllocBy WRITE SetAllocBy)
    Q_PROPERTY(int BlendColor READ BlendColor WRITE SetBlendColor)
    Q_PROPERTY(int BkColor READ BkColor WRITE SetBkColor)
    Q_PROPERTY(ImgListEnums::TDrawingStyle DrawingStyle READ DrawingStyle WRITE SetDrawingStyle)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(ImgListEnums::TImageType ImageType READ ImageType WRITE SetImageType)
    Q_PROPERTY(bool Masked READ Masked WRITE SetMasked)
    Q_PROPERTY(bool ShareImages READ ShareImages WRITE SetShareImages)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)
    Q_CLASSINFO("Default:AllocBy", "4")
    Q_CLASSINFO("Idents:BlendColor", "TColor")
    Q_CLASSINFO("Default:BlendColor", "clNone")
    Q_CLASSINFO("Idents:BkColor", "TColor")
    Q_CLASSINFO("Default:BkColor", "clNone")
    Q_CLASSINFO("Default:DrawingStyle", "dsNormal")
    Q_CLASSINFO("Default:Height", "16")
    Q_CLASSINFO("Default:ImageType", "itImage")
    Q_CLASSINFO("Default:Masked", "True")
    Q_CLASSINFO("Default:ShareImages", "False")
    Q_CLASSINFO("Default:Width", "16")

public:
    explicit TCustomImageList(TComponent* AOwner);
    TCustomImageList(int AWidth, int AHeight, TComponent* AOwner = nullptr);
    ~TCustomImageList() override;

    void Assign(TPersistent* Source) override;

    // Images from a bitmap strip (one per Width pixels) and a monochrome mask; the index of
    // the first one added.
    int Add(TBitmap* Image, TBitmap* Mask);
    int AddMasked(TBitmap* Image, TColor MaskColor);
    int AddIcon(TIcon* Image);
    // Every image of another list (copies; scaled when the size differs).
    void AddImages(TCustomImageList* Value);
    void Insert(int Index, TBitmap* Image, TBitmap* Mask);
    void InsertMasked(int Index, TBitmap* Image, TColor MaskColor);
    void InsertIcon(int Index, TIcon* Image);
    void Replace(int Index, TBitmap* Image, TBitmap* Mask);
    void ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor);
    void ReplaceIcon(int Index, TIcon* Image);
    void Delete(int Index);
    void Clear();
    void Move(int CurIndex, int NewIndex);
    int Count();

    // Draws with DrawingStyle and ImageType; a disabled image is drawn greyed: its shape in
    // the shadow colour with the highlight colour one pixel down and right.
    void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
    void Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle, TImageType AImageType,
              bool Enabled = true);
    void DrawOverlay(TCanvas* Canvas, int X, int Y, int ImageIndex, TOverlay Overlay, bool Enabled = true);
    // Makes image ImageIndex the overlay Overlay; false for bad arguments.
    bool Overlay(int ImageIndex, TOverlay Overlay);
    // The image drawn on a bitmap of the list's size (on the list's background colour, or
    // on clBtnFace without one); the icon with its transparency.
    void GetBitmap(int Index, TBitmap* Image);
    void GetIcon(int Index, TIcon* Image);

    HIMAGELIST Handle();
    void SetHandle(HIMAGELIST Value);
    bool HandleAllocated() const { return FHandle != nullptr; }
    // Gives the handle up: the list is empty afterwards and the caller owns the handle.
    HIMAGELIST ReleaseHandle();

    void BeginUpdate();
    void EndUpdate();
    void RegisterChanges(TChangeLink* Value);
    void UnRegisterChanges(TChangeLink* Value);

    int AllocBy() const { return FAllocBy; }
    void SetAllocBy(int v) { FAllocBy = v; }
    TColor BlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor v);
    TColor BkColor();
    void SetBkColor(TColor v);
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle v);
    int Height() const { return FHeight; }
    void SetHeight(int v);
    TImageType ImageType() const { return FImageType; }
    void SetImageType(TImageType v);
    bool Masked() const { return FMasked; }
    void SetMasked(bool v);
    bool ShareImages() const { return FShareImages; }
    void SetShareImages(bool v);
    int Width() const { return FWidth; }
    void SetWidth(int v);

    TNotifyEvent OnChange;

    void DefineProperties(TFiler* Filer) override;
    // The "Bitmap" data: the platform's image-list bytes.
    void ReadData(TStream* Stream);
    void WriteData(TStream* Stream);

protected:
    virtual void Change();
    virtual void DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled);
    // The flags the list's handle is created with.
    virtual UINT CreationFlags() const;
    void HandleNeeded();
    void FreeHandle();
    void CheckImage(int Index);
    void Loaded() override;

private:
    void Initialize(int AWidth, int AHeight);
    void CreateImageList();
    void SetNewDimensions(int AWidth, int AHeight);
    // Rebuilds the handle with other creation flags, keeping the images.
    void Recreate();
    bool Equal(TCustomImageList* Other);

    HIMAGELIST FHandle = nullptr;
    int FAllocBy = 4;
    TColor FBlendColor = clNone;
    TColor FBkColor = clNone;
    TDrawingStyle FDrawingStyle = dsNormal;
    int FHeight = 16;
    TImageType FImageType = itImage;
    bool FMasked = true;
    bool FShareImages = false;
    int FWidth = 16;
    int FUpdateCount = 0;
    bool FChanged = false;
    std::vector<TChangeLink*> FClients;
};

class TImageList : public TCustomImageList {
    Q_OBJECT
public:
    explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
    TImageList(int AWidth, int AHeight, TComponent* AOwner = nullptr) : TCustomImageList(AWidth, AHeight, AOwner) {}
};
