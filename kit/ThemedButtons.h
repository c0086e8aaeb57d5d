// The themed bitmap button: an owner-drawn push button with a glyph and a caption, drawn by
// the desktop's theme where themes are in use and by the classic frame drawing elsewhere,
// with kinds (OK, Cancel, Help, ...) that bring their glyph, caption and modal result.
#pragma once

#include "classlib/StdCtrls.h"
#include "kit/KitGlyphs.h"
#include "platform/uxtheme.h"

namespace ThemedButtonTypes {
Q_NAMESPACE
enum TThemedBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
Q_ENUM_NS(TThemedBitBtnKind)
}  // namespace ThemedButtonTypes
using ThemedButtonTypes::TThemedBitBtnKind;
using enum ThemedButtonTypes::TThemedBitBtnKind;

using TNumGlyphs = int;  // 1 to 4

// The glyph of a themed button: up to four state pictures side by side (up, disabled,
// down, exclusive), kept in the shared glyph lists.
class TButtonGlyph : public TObject {
    Q_OBJECT

public:
    TButtonGlyph();
    ~TButtonGlyph() override;
    TBitmap* Glyph() const { return FOriginal; }
    void SetGlyph(TBitmap* Value);
    TNumGlyphs NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(TNumGlyphs Value);
    TColor TransparentColor() const { return FTransparentColor; }
    TGlyphList* GlyphList() const { return FGlyphList; }
    int StateIndex(TButtonState State) const { return FIndexs[State]; }
    // Gives the pictures back to the cache.
    void Invalidate();
    // The slot of a state's picture, made when needed; -1 when there is none.
    int CreateButtonGlyph(TButtonState State);
    // Where glyph and caption go in Client (RightToLeft swaps left and right layouts).
    TButtonLayoutResult CalcButtonLayout(TCanvas* Canvas, const RECT& Client, const String& Caption,
                                         TButtonLayout Layout, int Margin, int Spacing, bool RightToLeft);
    // Draws glyph and caption of a state; returns the caption's rectangle.
    RECT Draw(TCanvas* Canvas, const RECT& Client, const String& Caption, TButtonLayout Layout, int Margin,
              int Spacing, TButtonState State, bool RightToLeft);

    TNotifyEvent OnChange;

private:
    void GlyphChanged(TObject* Sender);
    TBitmap* FOriginal;
    TGlyphList* FGlyphList = nullptr;
    int FIndexs[4] = {-1, -1, -1, -1};
    TColor FTransparentColor = clOlive;
    int FNumGlyphs = 1;
};

class TThemedBitBtn : public TButton {
    Q_OBJECT
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(TBitmap* Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(TThemedBitBtnKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(TButtonStyle Style READ Style WRITE SetStyle)
    Q_CLASSINFO("Stored:Cancel", "IsCustom")
    Q_CLASSINFO("Stored:Caption", "IsCaptionStored")
    Q_CLASSINFO("Stored:Default", "IsCustom")
    Q_CLASSINFO("Stored:Glyph", "IsCustom")
    Q_CLASSINFO("Stored:ModalResult", "IsCustom")
    Q_CLASSINFO("Stored:NumGlyphs", "IsCustom")
    Q_CLASSINFO("Default:Layout", "blGlyphLeft")
    Q_CLASSINFO("Default:Margin", "-1")
    Q_CLASSINFO("Default:Spacing", "4")
    Q_CLASSINFO("Default:Style", "bsAutoDetect")

public:
    explicit TThemedBitBtn(TComponent* AOwner);
    ~TThemedBitBtn() override;

    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* Value);
    // The kind, or bkCustom once Default, Cancel, ModalResult or the glyph were changed.
    TThemedBitBtnKind Kind() const;
    void SetKind(TThemedBitBtnKind Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    int Margin() const { return FMargin; }
    // -1 (centred) or more.
    void SetMargin(int Value);
    TNumGlyphs NumGlyphs() const { return FGlyph->NumGlyphs(); }
    // At most 4.
    void SetNumGlyphs(TNumGlyphs Value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    TButtonStyle Style() const { return FStyle; }
    void SetStyle(TButtonStyle Value);
    Q_INVOKABLE bool IsCustom() const { return Kind() == bkCustom; }
    Q_INVOKABLE bool IsCaptionStored() const;

    TButtonGlyph* ButtonGlyph() const { return FGlyph; }
    // Whether the button is the focused default one (Enter presses it).
    bool IsFocusedDefault() const { return FIsFocused; }
    // Whether the next drawing goes through the theme.
    bool Themed();

    void Click() override;
    void Dispatch(TMessage& Message) override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateHandle() override;
    void SetButtonStyle(bool ADefault) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& DrawItemStruct);
    TButtonGlyph* FGlyph;
    TCanvas* FCanvas;
    HTHEME FTheme = nullptr;
    mutable TThemedBitBtnKind FKind = bkCustom;
    bool FModifiedGlyph = false;
    bool FIsFocused = false;
    TButtonLayout FLayout = blGlyphLeft;
    int FSpacing = 4;
    int FMargin = -1;
    TButtonStyle FStyle = bsAutoDetect;
};

// The glyph of a kind (null for bkCustom): the program's shared bitmap, loaded when first
// asked for.
TBitmap* ThemedKindGlyph(TThemedBitBtnKind Kind);
String ThemedKindCaption(TThemedBitBtnKind Kind);

void RegisterThemedButtons();
