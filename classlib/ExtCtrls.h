// Panels, timers, images, paint boxes, bevels, shapes, radio groups and the 3-D frame helper.
#pragma once


#include "classlib/StdCtrls.h"

class QImage;

// Draws a 3-D frame of `width` lines inside `rect` and shrinks `rect` by it.
void Frame3D(TCanvas* canvas, RECT& rect, TColor topColor, TColor bottomColor, int width);

class TCustomPanel : public TCustomControl {
    Q_OBJECT
    Q_PROPERTY(TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_CLASSINFO("Default:Color", "clBtnFace")

public:
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)

    explicit TCustomPanel(TComponent* AOwner);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut v);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut v);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void AlignControls(TControl* AControl, RECT& Rect) override;

private:
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TFormBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
};

using TBevelCut = TCustomPanel::TBevelCut;
inline constexpr TBevelCut bvNone = TCustomPanel::bvNone;
inline constexpr TBevelCut bvLowered = TCustomPanel::bvLowered;
inline constexpr TBevelCut bvRaised = TCustomPanel::bvRaised;
inline constexpr TBevelCut bvSpace = TCustomPanel::bvSpace;

class TPanel : public TCustomPanel {
    Q_OBJECT
public:
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

class TTimer : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(unsigned Interval READ Interval WRITE SetInterval)
    Q_PROPERTY(TNotifyEvent OnTimer READ OnTimer WRITE SetOnTimer)

public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return FEnabled; }
    // Enabling a running timer does not restart it.
    void SetEnabled(bool v);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned v);
    TNotifyEvent OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent v);

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    void WndProc(TMessage& Message);
    HWND FWindowHandle = nullptr;
    bool FEnabled = true;
    unsigned FInterval = 1000;
    TNotifyEvent FOnTimer;
};


// A picture on a form. Picture takes PNG, BMP and JPEG files (LoadFromFile) and Qt
// resources (LoadFromResource(":/images/x.png")); the image is drawn at the top left, centred,
// or stretched over the control; Transparent leaves the transparent pixels unpainted. A
// disabled image is drawn in light grey.
class TImage : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TPicture* Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(bool Proportional READ Proportional WRITE SetProportional)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(String PictureResource READ PictureResource WRITE SetPictureResource)
    Q_CLASSINFO("Default:AutoSize", "False")
    Q_CLASSINFO("Default:Center", "False")
    Q_CLASSINFO("Default:Stretch", "False")
    Q_CLASSINFO("Default:Proportional", "False")
    Q_CLASSINFO("Default:Transparent", "False")

public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    TPicture* Picture() const { return FPicture; }
    // A picture named by PictureResource is not stored again.
    Q_INVOKABLE bool IsPictureStored() const { return FPictureResource.empty(); }
    void SetPicture(TPicture* v) { FPicture->Assign(v); }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    bool Center() const { return FCenter; }
    void SetCenter(bool v);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool v);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool v);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    // A picture file (PNG, BMP, JPEG) read into Picture; raises EInvalidGraphic on failure.
    void LoadFromFile(const String& FileName);
    // A Qt resource path such as ":/images/go.png"; the layout property PictureResource
    // names one too ("" clears the picture).
    void LoadFromResource(const String& Path);
    String PictureResource() const { return FPictureResource; }
    void SetPictureResource(const String& Path);
    // The rectangle the picture is drawn into, in client coordinates.
    RECT DestRect() const;

protected:
    void Paint() override;
    // Puts another picture object in place of the image's own, which is freed; the new one
    // takes over its graphic and change handler, and the image owns it.
    void ReplacePicture(TPicture* Picture);

private:
    void PictureChanged();
    void LoadImage(QImage image, const String& what);
    TPicture* FPicture;
    String FPictureResource;
    bool FAutoSize = false;
    bool FCenter = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FTransparent = false;
};

// A control that its OnPaint handler draws; Canvas can also be used outside OnPaint.
class TPaintBox : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TNotifyEvent OnPaint MEMBER OnPaint)

public:
    explicit TPaintBox(TComponent* AOwner);
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};

class TBevel : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TBevelShape Shape READ Shape WRITE SetShape)
    Q_PROPERTY(TBevelStyle Style READ Style WRITE SetStyle)

public:
    enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
    Q_ENUM(TBevelShape)
    enum TBevelStyle { bsLowered, bsRaised };
    Q_ENUM(TBevelStyle)
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape v);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle v);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

class TShape : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TShapeType Shape READ Shape WRITE SetShape)
    Q_PROPERTY(TPen* Pen READ Pen WRITE SetPen)
    Q_PROPERTY(TBrush* Brush READ Brush WRITE SetBrush)

public:
    enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
    Q_ENUM(TShapeType)
    explicit TShape(TComponent* AOwner);
    ~TShape() override;
    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType v);
    TPen* Pen() const { return FPen; }
    void SetPen(TPen* v) { FPen->Assign(v); }
    TBrush* Brush() const { return FBrush; }
    void SetBrush(TBrush* v) { FBrush->Assign(v); }

protected:
    void Paint() override;

private:
    TShapeType FShape = stRectangle;
    TPen* FPen;
    TBrush* FBrush;
};

// A group box with one radio button per entry of Items, in Columns columns; ItemIndex is
// the checked entry (-1: none). Choosing a button (or setting ItemIndex) fires OnClick.
class TCustomRadioGroup : public TCustomGroupBox {
    Q_OBJECT
    Q_PROPERTY(TStrings* Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_CLASSINFO("Default:ItemIndex", "-1")
    Q_CLASSINFO("Default:Columns", "1")

public:
    explicit TCustomRadioGroup(TComponent* AOwner);
    ~TCustomRadioGroup() override;
    TStrings* Items() const { return FItems; }
    void SetItems(TStrings* v) { FItems->Assign(v); }
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int v);
    int Columns() const { return FColumns; }
    void SetColumns(int v);
    int ButtonCount() const { return static_cast<int>(FButtons.size()); }
    TRadioButton* Buttons(int Index) const { return FButtons.at(static_cast<std::size_t>(Index)); }
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;

protected:
    void Loaded() override;
    void Resize() override;

private:
    void UpdateButtons();
    void ArrangeButtons();
    void ButtonClick(TObject* Sender);
    TStringList* FItems;
    std::vector<TRadioButton*> FButtons;
    int FItemIndex = -1;
    int FColumns = 1;
    bool FUpdating = false;
};

class TRadioGroup : public TCustomRadioGroup {
    Q_OBJECT
public:
    explicit TRadioGroup(TComponent* AOwner) : TCustomRadioGroup(AOwner) {}
};

