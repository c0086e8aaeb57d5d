// The colour panel and the tool option pages.
#include "editor/ColourPanel.h"

#include "classlib/Dialogs.h"
#include "classlib/SysUtils.h"
#include "editor/ChildDocument.h"
#include "platform/gdi.h"
#include "platform/msgbox.h"
#include "poster/Pixwerk.h"

#include <QColorDialog>
#include <QMetaObject>
#include <QPointer>

#include <cmath>

namespace {

constexpr int kPanelWidth = 200;
constexpr TColor kIdleGrey = static_cast<TColor>(0x808080);

bool pickColourDialog(COLORREF& c) {
    const QColor start(GetRValue(c), GetGValue(c), GetBValue(c));
    const QColor chosen = QColorDialog::getColor(start, nullptr, QStringLiteral("Colour"));
    if (!chosen.isValid()) return false;
    c = RGB(chosen.red(), chosen.green(), chosen.blue());
    return true;
}

bool pickPatternFile(String& name) {
    TOpenDialog dialog(nullptr);
    dialog.SetFilter(GetDIBOpenFilter());
    if (!dialog.Execute()) return false;
    name = dialog.FileName();
    return true;
}

}  // namespace

TColourPanel::TColourPanel(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = kPanelWidth;
    FHeight = 594;
    ChooseColour = pickColourDialog;
    ChoosePatternFile = pickPatternFile;
    BuildColours();
    BuildOptions();
    ZoomBtnClick(FTool);
    PaletteChanged();
}

TColourPanel::~TColourPanel() = default;

// ---- Building ----

void TColourPanel::BuildColours() {
    auto shape = [this](const char* name, int x, int y, int size) {
        TShape* s = new TShape(this);
        s->SetName(name);
        s->SetParent(this);
        s->SetBounds(x, y, size, size);
        return s;
    };
    Shape1 = shape("Shape1", 8, 8, 30);
    Shape2 = shape("Shape2", 46, 8, 30);
    Shape1->OnMouseDown = TMouseEvent([this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Shape1MouseDown(s, b, sh, x, y);
    });
    Shape2->OnMouseDown = TMouseEvent([this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Shape2MouseDown(s, b, sh, x, y);
    });
    Shape1->OnMouseMove = TMouseMoveEvent([this](TObject* s, TShiftState sh, int x, int y) { Shape1MouseMove(s, sh, x, y); });
    Shape2->OnMouseMove = TMouseMoveEvent([this](TObject* s, TShiftState sh, int x, int y) { Shape2MouseMove(s, sh, x, y); });
    ColorChangeBtn = new TButton(this);
    ColorChangeBtn->SetName("ColorChangeBtn");
    ColorChangeBtn->SetParent(this);
    ColorChangeBtn->SetCaption("<->");
    ColorChangeBtn->SetBounds(84, 12, 34, 22);
    ColorChangeBtn->OnClick = TNotifyEvent([this](TObject* s) { ColorChangeBtnClick(s); });
    AColShape = shape("AColShape", 130, 10, 26);
    AColShape->Brush()->SetColor(kIdleGrey);
    AColShape->SetVisible(false);
    auto readout = [this](const char* name, const char* text, int x) {
        TLabel* l = new TLabel(this);
        l->SetName(name);
        l->SetParent(this);
        l->SetCaption(text);
        l->SetBounds(x, 46, 46, 16);
        return l;
    };
    RedLabel = readout("RedLabel", "R --", 8);
    GreenLabel = readout("GreenLabel", "G --", 54);
    BlueLabel = readout("BlueLabel", "B --", 100);
    IndexLabel = readout("IndexLabel", "I --", 146);
    AColTimer1 = new TTimer(this);
    AColTimer1->SetName("AColTimer1");
    AColTimer1->SetEnabled(false);
    AColTimer1->SetInterval(3000);
    AColTimer1->SetOnTimer(TNotifyEvent([this](TObject* s) { AColTimer1Timer(s); }));
    PalScrollBox = new TScrollBox(this);
    PalScrollBox->SetName("PalScrollBox");
    PalScrollBox->SetParent(this);
    PalScrollBox->SetBounds(8, 66, 76, 180);
    PalPaintBox = new TPaintBox(this);
    PalPaintBox->SetName("PalPaintBox");
    PalPaintBox->SetParent(PalScrollBox);
    PalPaintBox->SetBounds(0, 0, 29, 5);
    PalPaintBox->SetCursor(9);
    PalPaintBox->OnPaint = TNotifyEvent([this](TObject* s) { PalPaintBoxPaint(s); });
    PalPaintBox->OnMouseDown = TMouseEvent([this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        PalPaintBoxMouseDown(s, b, sh, x, y);
    });
    PalPaintBox->OnMouseMove = TMouseMoveEvent([this](TObject* s, TShiftState sh, int x, int y) {
        PalPaintBoxMouseMove(s, sh, x, y);
    });
}

TLabel* TColourPanel::OptionLabel(TWinControl* Parent, const char* Name, const char* Caption) {
    TLabel* l = new TLabel(this);
    l->SetName(Name);
    l->SetParent(Parent);
    l->SetCaption(Caption);
    l->SetBounds(6, 0, 170, 16);
    return l;
}

TComboBox* TColourPanel::OptionBox(TWinControl* Parent, const char* Name, std::initializer_list<const char*> Items,
                                   int Index) {
    TComboBox* b = new TComboBox(this);
    b->SetName(Name);
    b->SetParent(Parent);
    b->SetStyle(csDropDownList);
    for (const char* i : Items) b->Items()->Add(i);
    b->SetBounds(6, 0, 168, 22);
    b->SetItemIndex(Index);
    return b;
}

TKitSpinEdit* TColourPanel::OptionSpin(TWinControl* Parent, const char* Name, int Min, int Max, int Value) {
    TKitSpinEdit* e = new TKitSpinEdit(this);
    e->SetName(Name);
    e->SetParent(Parent);
    e->SetMinValue(Min);
    e->SetMaxValue(Max);
    e->SetValue(Value);
    e->SetBounds(6, 0, 80, 22);
    return e;
}

void TColourPanel::LayOut(TWinControl*, std::initializer_list<std::pair<TControl*, TControl*>> Rows) {
    // The shown rows one below the other: a label, then its control.
    int y = 6;
    for (const auto& [label, control] : Rows) {
        if (!control->Visible()) continue;
        if (label) {
            label->SetTop(y);
            y += 17;
        }
        control->SetTop(y);
        y += control->Height() + 8;
    }
}

void TColourPanel::BuildOptions() {
    PageControl1 = new TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetParent(this);
    PageControl1->SetBounds(4, 254, kPanelWidth - 8, 336);
    OptionsSheet = new TTabSheet(this);
    OptionsSheet->SetName("OptionsSheet");
    OptionsSheet->SetPageControl(PageControl1);
    OptionsSheet->SetCaption("Options");
    BrushSheet = new TTabSheet(this);
    BrushSheet->SetName("BrushSheet");
    BrushSheet->SetPageControl(PageControl1);
    BrushSheet->SetCaption("Brush tip");

    // The option controls sit on a panel that fills each page.
    auto pagePanel = [this](TTabSheet* sheet, const char* name) {
        TPanel* p = new TPanel(this);
        p->SetName(name);
        p->SetParent(sheet);
        p->SetAlign(alClient);
        p->SetBevelOuter(TCustomPanel::bvNone);
        p->SetCaption("");
        return p;
    };
    OptionsPanel = pagePanel(OptionsSheet, "OptionsPanel");
    BrushPanel = pagePanel(BrushSheet, "BrushPanel");
    TWinControl* o = OptionsPanel;
    ZoomLabel = OptionLabel(o, "ZoomLabel", "Zoom:");
    ZoomBox = OptionBox(o, "ZoomBox", {}, -1);
    for (int k = 0; k <= 30; ++k) {
        const int num = k < 15 ? 16 - k : 1, den = k > 15 ? k - 14 : 1;
        ZoomBox->Items()->Add(IntToStr(num) + ":" + IntToStr(den));
    }
    ZoomBox->SetItemIndex(15);
    ZoomBox->OnChange = TNotifyEvent([this](TObject* s) { ZoomBoxChange(s); });
    TypLabel = OptionLabel(o, "TypLabel", "Type:");
    TypBox = OptionBox(o, "TypBox", {"Rectangle", "Square", "Ellipse", "Circle"}, 0);
    StilLabel = OptionLabel(o, "StilLabel", "Style:");
    StilBox = OptionBox(o, "StilBox", {"Outlines", "Filled"}, 0);
    BreitLabel = OptionLabel(o, "BreitLabel", "Width:");
    BreitEdit = OptionSpin(o, "BreitEdit", 1, 100, 1);
    TolLabel = OptionLabel(o, "TolLabel", "Tolerance:");
    TolEdit = OptionSpin(o, "TolEdit", 0, 200, 25);
    CloneLabel = OptionLabel(o, "CloneLabel", "Clone mode:");
    CloneBox = OptionBox(o, "CloneBox", {"Aligned", "Not aligned"}, 0);
    RetouchLabel = OptionLabel(o, "RetouchLabel", "Retouch mode:");
    RetouchBox = OptionBox(o, "RetouchBox", {"Lighten", "Darken", "Smear", "Mix"}, 0);
    FillStyleLabel = OptionLabel(o, "FillStyleLabel", "Filling style:");
    FillStyleBox = OptionBox(o, "FillStyleBox",
                             {"Uniform colour", "Sample", "Linear downward gradient", "Rectangular downward gradient",
                              "Sun wheel gradient", "Ray typed gradient"},
                             0);
    DirectLabel = OptionLabel(o, "DirectLabel", "Direction:");
    DirectBox = OptionBox(o, "DirectBox", {"NW-SO", "N-S", "NO-SW", "O-W", "SO-NW", "S-N", "SW-NO", "W-O"}, 0);
    LoadPattBtn = new TButton(this);
    LoadPattBtn->SetName("LoadPattBtn");
    LoadPattBtn->SetParent(o);
    LoadPattBtn->SetCaption("Open sample");
    LoadPattBtn->SetBounds(6, 0, 110, 25);
    LoadPattBtn->OnClick = TNotifyEvent([this](TObject* s) { LoadPattBtnClick(s); });

    TWinControl* b = BrushPanel;
    BrushTypLabel = OptionLabel(b, "BrushTypLabel", "Type:");
    BrushTypBox = OptionBox(b, "BrushTypBox",
                            {"Normally", "Brush", "Feather", "Pencil", "Marker", "Colored pencil", "Chalk", "Charcoal",
                             "Aerosol can"},
                            0);
    BrushTypBox->OnChange = TNotifyEvent([this](TObject* s) { BrushTypBoxChange(s); });
    FormLabel = OptionLabel(b, "FormLabel", "Form:");
    FormBox = OptionBox(b, "FormBox", {"Square", "Circle", "Quer1", "Quer2", "Horizontal", "Vertical"}, 1);
    SizeLabel = OptionLabel(b, "SizeLabel", "Size:");
    SizeEdit = OptionSpin(b, "SizeEdit", 1, 200, 7);
    HardLabel = OptionLabel(b, "HardLabel", "Hardness:");
    HardEdit = OptionSpin(b, "HardEdit", 0, 100, 50);
    DensLabel = OptionLabel(b, "DensLabel", "Density:");
    DensEdit = OptionSpin(b, "DensEdit", 1, 100, 100);
    OpaCityLabel = OptionLabel(b, "OpaCityLabel", "Transparency:");
    OpaCityEdit = OptionSpin(b, "OpaCityEdit", 0, 100, 0);
    LayOut(b, {{BrushTypLabel, BrushTypBox},
               {FormLabel, FormBox},
               {SizeLabel, SizeEdit},
               {HardLabel, HardEdit},
               {DensLabel, DensEdit},
               {OpaCityLabel, OpaCityEdit}});
}

// ---- The document ----

void TColourPanel::SetDocument(TChildDocument* Doc) {
    FDoc = Doc;
    PaletteChanged();
    if (FDoc) SwatchesChanged(FDoc->ColorToRGB(FDoc->Color1), FDoc->ColorToRGB(FDoc->Color2));
}

bool TColourPanel::PictureShown() const { return FDoc && FDoc->Dib.get().Bits; }

int TColourPanel::ColourCount() const { return PictureShown() ? DibColorCount(FDoc->Dib.get()) : 0; }

void TColourPanel::SwatchesChanged(COLORREF Colour1, COLORREF Colour2) {
    Shape1->Brush()->SetColor(static_cast<TColor>(Colour1 & 0xFFFFFF));
    Shape2->Brush()->SetColor(static_cast<TColor>(Colour2 & 0xFFFFFF));
}

void TColourPanel::PaletteChanged() {
    const int count = ColourCount();
    if (count > 256) PalPaintBox->SetBounds(0, 0, 52, 96);
    else PalPaintBox->SetBounds(0, 0, 29, count / 2 * 12 + 5);
    PalPaintBox->Invalidate();
}

int TColourPanel::SelectionType() const { return std::max(0, TypBox->ItemIndex()); }

int TColourPanel::Tolerance() const {
    return static_cast<int>(std::clamp(std::trunc(TolEdit->Value()), 0.0L, 200.0L));
}

TToolOptions TColourPanel::Options() const {
    auto spin = [](TKitSpinEdit* e) { return static_cast<int>(std::nearbyint(static_cast<double>(e->Value()))); };
    auto index = [](TComboBox* b) { return std::max(0, b->ItemIndex()); };
    TToolOptions o;
    o.LineWidth = spin(BreitEdit);
    o.ShapeStyle = index(StilBox);
    o.CloneMode = index(CloneBox);
    o.RetouchMode = index(RetouchBox);
    o.FillStyle = index(FillStyleBox);
    o.Direction = index(DirectBox);
    o.BrushForm = index(FormBox);
    o.Size = spin(SizeEdit);
    o.Hardness = spin(HardEdit);
    o.Density = spin(DensEdit);
    o.Transparency = spin(OpaCityEdit);
    return ClampedOptions(o);
}

void TColourPanel::Defer(std::function<void()> Call) {
    // After the mouse handler has returned; dropped when the panel is gone by then.
    QPointer<TColourPanel> self(this);
    QMetaObject::invokeMethod(
        this, [self, Call = std::move(Call)] { if (self) Call(); }, Qt::QueuedConnection);
}

// ---- Palette box ----

void TColourPanel::PalPaintBoxPaint(TObject*) {
    TCanvas* c = PalPaintBox->Canvas();
    const int count = ColourCount();
    if (count > 256) {
        if (FColorField && FColorField->Bits)
            DrawDib(c->Handle(), 2, 0, 50, 96, *FColorField, 0, 0, DibWidth(*FColorField), DibHeight(*FColorField),
                    true, SRCCOPY, false, nullptr);
        return;
    }
    const TDib& d = FDoc ? FDoc->Dib.get() : TDib{};
    c->Pen()->SetColor(clBlack);
    for (int i = 0; i < count / 2; ++i)
        for (int j = 0; j < 2; ++j) {
            const PALETTEENTRY& e = d.Palette.palPalEntry[i * 2 + j];
            c->Brush()->SetColor(static_cast<TColor>(RGB(e.peRed, e.peGreen, e.peBlue)));
            c->Rectangle(j * 12 + 5, i * 12 + 5, j * 12 + 15, i * 12 + 15);
        }
}

int TColourPanel::PaletteCellAt(int X, int Y, int Count) {
    for (int i = 0; i < Count / 2; ++i)
        for (int j = 0; j < 2; ++j) {
            const int left = j * 12 + 5, top = i * 12 + 5;
            if (left <= X && X <= left + 10 && top <= Y && Y <= top + 10) return i * 2 + j;
        }
    return -1;
}

void TColourPanel::PalPaintBoxMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (!PictureShown() || (Button != mbLeft && Button != mbRight)) return;
    const int count = ColourCount();
    int value;
    if (count <= 256) {
        value = PaletteCellAt(X, Y, count);
        if (value < 0) return;
    } else {
        if (X < 2 || X > 48 || Y < 0 || Y > 95 || !FColorField || !FColorField->Bits) return;
        value = getpixel(*FColorField, X - 2, Y);
    }
    if (Button == mbLeft) FDoc->setcol1(value);
    else FDoc->setcol2(value);
}

void TColourPanel::PalPaintBoxMouseMove(TObject*, TShiftState, int X, int Y) {
    if (!PictureShown()) return;
    const int count = ColourCount();
    if (count <= 256) {
        const int index = PaletteCellAt(X, Y, count);
        if (index >= 0) ShowReadout(FDoc->ColorToRGB(index), index);
    } else if (X >= 2 && X <= 48 && Y >= 0 && Y <= 95 && FColorField && FColorField->Bits) {
        ShowReadout(static_cast<COLORREF>(getpixel(*FColorField, X - 2, Y)), -1);
    }
}

// ---- Read-out ----

void TColourPanel::ShowReadout(COLORREF Colour, int Index) {
    RedLabel->SetCaption("R " + IntToStr(GetRValue(Colour)));
    GreenLabel->SetCaption("G " + IntToStr(GetGValue(Colour)));
    BlueLabel->SetCaption("B " + IntToStr(GetBValue(Colour)));
    IndexLabel->SetCaption(Index >= 0 ? "I  " + IntToStr(Index) : String("I --"));
    AColShape->Brush()->SetColor(static_cast<TColor>(Colour & 0xFFFFFF));
    AColShape->SetVisible(true);
    // A running timer keeps running: the read-out goes idle 3 s after the first hover.
    AColTimer1->SetEnabled(true);
}

void TColourPanel::ColourReadout(COLORREF Colour, int Index) { ShowReadout(Colour, Index); }

void TColourPanel::AColTimer1Timer(TObject*) {
    RedLabel->SetCaption("R --");
    GreenLabel->SetCaption("G --");
    BlueLabel->SetCaption("B --");
    IndexLabel->SetCaption("I --");
    AColShape->Brush()->SetColor(kIdleGrey);
    AColShape->SetVisible(false);
    AColTimer1->SetEnabled(false);
}

// ---- Swatches ----

void TColourPanel::SwatchMove(int Which) {
    const COLORREF c = static_cast<COLORREF>((Which == 1 ? Shape1 : Shape2)->Brush()->Color()) & 0xFFFFFF;
    int index = -1;
    if (PictureShown() && DibBitCount(FDoc->Dib.get()) < 24) index = Which == 1 ? FDoc->Color1 : FDoc->Color2;
    ShowReadout(c, index);
}

void TColourPanel::Shape1MouseMove(TObject*, TShiftState, int, int) { SwatchMove(1); }
void TColourPanel::Shape2MouseMove(TObject*, TShiftState, int, int) { SwatchMove(2); }

void TColourPanel::SwatchDown(int Which, TMouseButton) {
    if (!PictureShown() || !ChooseColour) return;
    const TDib& d = FDoc->Dib.get();
    const int value = Which == 1 ? FDoc->Color1 : FDoc->Color2;
    COLORREF c = FDoc->ColorToRGB(value);
    if (!ChooseColour(c)) return;
    const int chosen = DibColorCount(d) <= 256 ? static_cast<int>(GetNearestPaletteIndex(d.PalHandle, c))
                                                : static_cast<int>(c & 0xFFFFFF);
    if (Which == 1) FDoc->setcol1(chosen);
    else FDoc->setcol2(chosen);
}

void TColourPanel::Shape1MouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
    // The colour dialog opens after the press has been handled.
    Defer([this, Button] { SwatchDown(1, Button); });
}

void TColourPanel::Shape2MouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
    Defer([this, Button] { SwatchDown(2, Button); });
}

void TColourPanel::ColorChangeBtnClick(TObject*) {
    if (!FDoc) return;
    const int c1 = FDoc->Color1, c2 = FDoc->Color2;
    FDoc->setcol1(c2);
    FDoc->setcol2(c1);
}

// ---- Tool options ----

void TColourPanel::ZoomBtnClick(TEditorTool Tool) {
    FTool = Tool;
    for (TControl* c : std::initializer_list<TControl*>{ZoomBox, TypBox, StilBox, BreitEdit, TolEdit, CloneBox,
                                                        RetouchBox, FillStyleBox, DirectBox, LoadPattBtn, ZoomLabel,
                                                        TypLabel, StilLabel, BreitLabel, TolLabel, CloneLabel,
                                                        RetouchLabel, FillStyleLabel, DirectLabel})
        c->SetVisible(false);
    bool brushTab = Tool == TEditorTool::Replace || Tool == TEditorTool::Brush;
    auto show = [](std::initializer_list<TControl*> cs) {
        for (TControl* c : cs) c->SetVisible(true);
    };
    switch (Tool) {
    case TEditorTool::Select: show({TypBox, TypLabel}); break;
    case TEditorTool::MagicWand: show({TolEdit, TolLabel}); break;
    case TEditorTool::Clone:
        show({CloneBox, CloneLabel});
        brushTab = true;
        break;
    case TEditorTool::Retouch:
        show({RetouchBox, RetouchLabel});
        brushTab = true;
        break;
    case TEditorTool::Fill:
        show({TolEdit, FillStyleBox, DirectBox, TolLabel, FillStyleLabel, DirectLabel, LoadPattBtn});
        break;
    case TEditorTool::Line: show({BreitEdit, BreitLabel}); break;
    case TEditorTool::Shape: show({BreitEdit, TypBox, StilBox, BreitLabel, TypLabel, StilLabel}); break;
    default: show({ZoomBox, ZoomLabel}); break;
    }
    BrushSheet->SetTabVisible(brushTab);
    if (!brushTab) PageControl1->SetActivePage(OptionsSheet);
    LayOut(OptionsSheet, {{ZoomLabel, ZoomBox},
                          {TypLabel, TypBox},
                          {StilLabel, StilBox},
                          {BreitLabel, BreitEdit},
                          {TolLabel, TolEdit},
                          {CloneLabel, CloneBox},
                          {RetouchLabel, RetouchBox},
                          {FillStyleLabel, FillStyleBox},
                          {DirectLabel, DirectBox},
                          {nullptr, LoadPattBtn}});
    OptionsSheet->Invalidate();
    BrushSheet->Invalidate();
}

void TColourPanel::BrushTypBoxChange(TObject*) {
    struct Preset {
        int hard, dens, opacity;
    };
    static constexpr Preset presets[] = {{50, 100, 0}, {0, 100, 0},  {90, 50, 0},  {100, 95, 0},
                                         {100, 11, 50}, {90, 33, 20}, {90, 33, 0}, {0, 90, 87}};
    const int k = BrushTypBox->ItemIndex();
    if (k < 1 || k > 8) return;  // "Normally" keeps the values
    const Preset& p = presets[k - 1];
    HardEdit->SetValue(p.hard);
    DensEdit->SetValue(p.dens);
    OpaCityEdit->SetValue(p.opacity);
}

void TColourPanel::ShowZoomEntry(int Index) {
    if (Index >= 0 && Index <= 30 && ZoomBox->ItemIndex() != Index) ZoomBox->SetItemIndex(Index);
}

void TColourPanel::ZoomBoxChange(TObject*) {
    const int k = ZoomBox->ItemIndex();
    if (k < 0 || k > 30) return;  // no entry chosen
    const int num = k < 15 ? 16 - k : 1, den = k > 15 ? k - 14 : 1;
    if (OnZoom) OnZoom(num, den);
}

bool TColourPanel::LoadPattern(const String& FileName) {
    // The sample loaded before stays when the new one cannot be read.
    UniqueDib loaded;
    OpenDib(loaded.out(), FileName.c_str(), PW_BY_EXTENSION, nullptr);
    if (!loaded) {
        if (FDoc) FDoc->ShowMessage("Error while loading the picture!", "", MB_OK | MB_ICONERROR);
        else MessageBoxA(nullptr, "Error while loading the picture!", "", MB_OK | MB_ICONERROR);
        return false;
    }
    PatternDib = std::move(loaded);
    return true;
}

void TColourPanel::LoadPattBtnClick(TObject*) {
    String name;
    if (!ChoosePatternFile || !ChoosePatternFile(name)) return;
    LoadPattern(name);
}

void RegisterColourPanelClasses() { RegisterClasses<TColourPanel>(); }
