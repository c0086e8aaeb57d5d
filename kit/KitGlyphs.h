// Button glyphs: image lists of state pictures shared by every button of the process (one
// list per picture size, kept in one cache), the kit's glyph of up to five state pictures
// with the layout of glyph and caption on a button face, the button frames, and the button
// picture that the speed bar's lists draw.
#pragma once

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"

#include <vector>

namespace KitButtonTypes {
Q_NAMESPACE
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
Q_ENUM_NS(TButtonStyle)
// Button states; they index the state pictures.
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive, bsInactive };
Q_ENUM_NS(TButtonState)
}  // namespace KitButtonTypes
using KitButtonTypes::TButtonLayout;
using KitButtonTypes::TButtonState;
using KitButtonTypes::TButtonStyle;
using enum KitButtonTypes::TButtonLayout;
using enum KitButtonTypes::TButtonState;
using enum KitButtonTypes::TButtonStyle;

// An image list of one picture size whose slots are taken and given back one by one: adding
// takes the lowest free slot and grows the list by one image only when none is free.
class TGlyphList : public TCustomImageList {
    Q_OBJECT

public:
    TGlyphList(int AWidth, int AHeight);
    ~TGlyphList() override;
    // The slot the image went into (masked by the colour, or by the mask bitmap); -1 on failure.
    int AddMasked(TBitmap* Image, TColor MaskColor);
    int Add(TBitmap* Image, TBitmap* Mask);
    // Frees a used slot (others are left alone).
    void Delete(int Index);
    // The number of used slots.
    int Count() const { return FCount; }
    bool Used(int Index) const;

private:
    int FreeSlot() const;
    void Take(int Index);
    std::vector<bool> FUsed;
    int FCount = 0;
};

// The glyph lists of the process, one per picture size. A list given back without a used
// slot is freed. The one cache is made by the first glyph that needs it and freed when a
// glyph goes while the cache holds no list.
class TGlyphCache : public TObject {
    Q_OBJECT

public:
    TGlyphCache() = default;
    ~TGlyphCache() override;
    // The newest list of that size, else a new one.
    TGlyphList* GetList(int AWidth, int AHeight);
    void ReturnList(TGlyphList* List);
    bool Empty() const { return FGlyphLists.empty(); }
    int ListCount() const { return static_cast<int>(FGlyphLists.size()); }

    // The process's cache (made when needed), the current one (null when none), and the step
    // a glyph takes when it goes: the cache is freed when it is empty.
    static TGlyphCache* Instance();
    static TGlyphCache* Current();
    static void ReleaseIfEmpty();

private:
    std::vector<TGlyphList*> FGlyphLists;
};

// The bounds of a button face's parts: where the glyph goes and the caption's rectangle.
struct TButtonLayoutResult {
    POINT GlyphPos{0, 0};
    RECT TextBounds{0, 0, 0, 0};
    SIZE GlyphSize{0, 0};
    String Text;  // the caption as drawn (lines shortened to fit unless words wrap)
};

// The glyph of a kit button: a bitmap of up to five state pictures side by side (up,
// disabled, down, exclusive, inactive); missing ones are made (an embossed disabled one, a
// grey inactive one) and kept in the shared glyph lists.
class TKitButtonGlyph : public TObject {
    Q_OBJECT

public:
    TKitButtonGlyph();
    ~TKitButtonGlyph() override;

    TBitmap* Glyph() const { return FOriginal; }
    // Copies the bitmap; its cells are counted when its width is a multiple of its height.
    void SetGlyph(TBitmap* Value);
    int NumGlyphs() const { return FNumGlyphs; }
    // 1 to 5.
    void SetNumGlyphs(int Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TColor TransparentColor() const { return FTransparentColor; }
    TGlyphList* GlyphList() const { return FGlyphList; }
    // The slot of a state's picture, -1 when not made.
    int StateIndex(TButtonState State) const { return FIndexs[State]; }

    // Gives every picture back to the cache.
    void Invalidate();
    // The slot of a state's picture, made when needed; -1 when there is none.
    int CreateButtonGlyph(TButtonState State);
    // The same made from an image of an image list.
    int CreateImageGlyph(TButtonState State, TCustomImageList* Images, int Index);

    // Where glyph and caption go in Client (Margin and Spacing -1: spread evenly).
    TButtonLayoutResult CalcButtonLayout(TCanvas* Canvas, const RECT& Client, const String& Caption,
                                         TButtonLayout Layout, int Margin, int Spacing, bool PopupMark,
                                         TCustomImageList* Images = nullptr, int ImageIndex = -1);
    // Draws glyph, caption and drop-down mark of a state into Client; Flags are text flags
    // (alignment and reading order). Returns the caption's rectangle.
    RECT DrawButtonGlyph(TCanvas* Canvas, const RECT& Client, const String& Caption, TButtonLayout Layout,
                         int Margin, int Spacing, bool PopupMark, TButtonState State, UINT Flags,
                         TCustomImageList* Images = nullptr, int ImageIndex = -1);

    TNotifyEvent OnChange;

private:
    void GlyphChanged(TObject* Sender);
    void DrawGlyph(TCanvas* Canvas, POINT Pos, TButtonState State, TCustomImageList* Images, int ImageIndex);
    void DrawText(TCanvas* Canvas, const String& Caption, RECT Bounds, TButtonState State, UINT Flags);
    TGlyphList* ListOf(int AWidth, int AHeight);
    TBitmap* FOriginal;
    TGlyphList* FGlyphList = nullptr;
    int FIndexs[5] = {-1, -1, -1, -1, -1};
    // The image list and index the pictures were made from (none: the bitmap).
    TCustomImageList* FImages = nullptr;
    int FImageIndex = -1;
    TColor FTransparentColor = 0xFF00FF;
    int FNumGlyphs = 1;
    TAlignment FAlignment = taCenter;
    bool FWordWrap = false;
    bool FChanging = false;
};

// The downward triangle of a drop-down button (7, 5, 3 and 1 pixels from one row above Y).
void DrawDropDownMark(TCanvas* Canvas, int X, int Y, bool Disabled);
// A button frame; the result is the rectangle inside it.
RECT DrawButtonFrame(TCanvas* Canvas, const RECT& Client, bool Pressed, bool NewLook, bool Flat);
// The rectangle filled with a 2 x 2 checkered pattern of two colours.
void FillCheckered(TCanvas* Canvas, const RECT& Rect, TColor First, TColor Second);
// The text flags of an alignment (left, right, centre), with DT_RTLREADING for right-to-left.
UINT AlignmentTextFlags(TAlignment Alignment, bool RightToLeft);

// A raised button face with glyph and caption drawn at any point of any canvas (the
// speed bar's lists and the picture of a dragged button).
class TButtonImage : public TObject {
    Q_OBJECT

public:
    TButtonImage();
    ~TButtonImage() override;
    TKitButtonGlyph* ButtonGlyph() const { return FGlyph; }
    void SetGlyph(TBitmap* Value) { FGlyph->SetGlyph(Value); }
    void SetNumGlyphs(int Value) { FGlyph->SetNumGlyphs(Value); }
    void SetWordWrap(bool Value) { FGlyph->SetWordWrap(Value); }
    void SetAlignment(TAlignment Value) { FGlyph->SetAlignment(Value); }
    String Caption;
    SIZE ButtonSize{24, 23};
    void Invalidate() { FGlyph->Invalidate(); }
    // The face at X, Y in the up state; Font (when given) replaces the canvas font meanwhile.
    void Draw(TCanvas* Canvas, int X, int Y, TButtonLayout Layout, int Margin, int Spacing, UINT Flags,
              TFont* Font = nullptr, TCustomImageList* Images = nullptr, int ImageIndex = -1);

private:
    TKitButtonGlyph* FGlyph;
};
