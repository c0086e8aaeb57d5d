// The clipboard viewer: a scroll box in the platform's clipboard-viewer chain that fires
// OnChange whenever the clipboard's content changes and shows the content in a child control
// chosen by its format (text, pictures, a palette's colours, a component).
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

#include <array>

namespace ClipViewTypes {
Q_NAMESPACE
enum TClipboardViewFormat { cvDefault, cvEmpty, cvUnknown, cvText, cvBitmap, cvMetafile, cvPalette, cvOemText,
                            cvPicture, cvComponent, cvIcon };
Q_ENUM_NS(TClipboardViewFormat)
}  // namespace ClipViewTypes
using ClipViewTypes::TClipboardViewFormat;
using enum ClipViewTypes::TClipboardViewFormat;

// The clipboard format a view format shows; 0 for cvDefault, cvEmpty and cvUnknown.
UINT ClipboardFormatOfView(TClipboardViewFormat Format);

// The colours of a palette in cells of 20 x 20 pixels, as many columns as the width takes
// (one at least) and as many rows as the entries need; the grid is as high as its rows.
class TPaletteGrid : public TCustomControl {
    Q_OBJECT

public:
    static constexpr int CellSize = 20;
    explicit TPaletteGrid(TComponent* AOwner);
    ~TPaletteGrid() override;

    // Takes a copy of the palette (null: none).
    void SetPalette(HPALETTE Palette);
    HPALETTE Palette() const { return FPalette; }
    int EntryCount() const { return FCount; }
    // The entry's colour; grey 128 past the palette's entries.
    COLORREF EntryColor(int Index) const;
    int ColCount() const { return FColCount; }
    int RowCount() const { return FRowCount; }
    // The selected entry (-1: none); cells past the last entry cannot be selected.
    int Selected() const { return FSelected; }
    bool SelectCell(int Col, int Row);
    // Columns and rows for the width; the height becomes rows x 20.
    void UpdateCells();

protected:
    void Paint() override;
    void Resize() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    HPALETTE FPalette = nullptr;
    int FCount = 0;
    std::array<PALETTEENTRY, 256> FEntries{};
    int FColCount = 1;
    int FRowCount = 1;
    int FSelected = -1;
    bool FSizing = false;
};

class TCustomClipboardViewer : public TScrollBox {
    Q_OBJECT

public:
    explicit TCustomClipboardViewer(TComponent* AOwner);
    ~TCustomClipboardViewer() override;

    TClipboardViewFormat ViewFormat() const { return FViewFormat; }
    // The format shown: cvEmpty for an empty clipboard, else ViewFormat or, for cvDefault,
    // the first present of text, OEM text, bitmap, metafile, icon, picture, component and
    // palette (cvUnknown for none of them).
    virtual TClipboardViewFormat GetDrawFormat();
    // Whether the clipboard can be shown in that format.
    virtual bool ValidFormat(TClipboardViewFormat Format);
    // The control showing the content (null while there is none).
    TControl* ViewControl() const { return FView; }
    // Whether the viewer is in the chain, and the window after it there.
    bool InChain() const { return FChained; }
    HWND NextViewer() const { return FNextWindow; }
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnChange;

protected:
    void CreateWnd() override;
    void DestroyWindowHandle() override;
    void Resize() override;
    virtual void RebuildView();
    virtual void Change();
    // A format the clipboard lacks or that is not valid gives cvDefault.
    void SetViewFormat(TClipboardViewFormat Value);

private:
    void LeaveChain();
    void CenterView();
    TCustomMemo* MakeMemo(const String& Text, bool Oem);
    HWND FNextWindow = nullptr;
    bool FChained = false;
    TControl* FView = nullptr;
    TClipboardViewFormat FViewFormat = cvDefault;
};

class TClipboardViewer : public TCustomClipboardViewer {
    Q_OBJECT
    Q_PROPERTY(TClipboardViewFormat ViewFormat READ ViewFormat WRITE SetViewFormat)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)
    Q_CLASSINFO("Default:ViewFormat", "cvDefault")

public:
    explicit TClipboardViewer(TComponent* AOwner) : TCustomClipboardViewer(AOwner) {}
    using TCustomClipboardViewer::SetViewFormat;
};

void RegisterClipboardViewer();
